#include "env/file_util_win.h"

#include <commctrl.h>
#include <winioctl.h>

#include <vector>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/paths_win.h"
#include "base/random_win.h"
#include "base/text.h"
#include "env/file_util.h"
#include "env/trace_win.h"

namespace rv {

namespace {

KernelHandle OpenForAppend(const std::string& fileName) {
    KernelHandle file(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) SetFilePointer(file.get(), 0, nullptr, FILE_END);
    return file;
}

KernelHandle OpenForWrite(const std::string& fileName, bool append) {
    if (append) return OpenForAppend(fileName);
    return KernelHandle(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE file, const char* data, uint64_t size, uint64_t chunk, WriteProgress* progress) {
    uint64_t written = 0;
    bool cancel = false;
    while (written < size && !cancel) {
        if (progress) progress->OnWrite(size, written, cancel);
        if (cancel) break;
        const DWORD piece = static_cast<DWORD>(size - written < chunk ? size - written : chunk);
        DWORD done = 0;
        if (!WriteFile(file, data + written, piece, &done, nullptr) || done == 0) break;
        written += done;
    }
    return written == size;
}

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// The folder's entries, depth first; links are removed, never entered.
void DeleteContents(const std::string& folder, bool clearAttributes) {
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        const DWORD attributes = data.dwFileAttributes;
        if (IsLink(attributes)) {
            if (!RemoveDirectoryA(path.c_str())) DeleteFileA(path.c_str());
            continue;
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteContents(path, clearAttributes);
            RemoveDirectoryA(path.c_str());
            continue;
        }
        if (clearAttributes) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    } while (FindNextFileA(find.get(), &data));
}

// The SID of the process's user, in a buffer the caller keeps.
bool CurrentUserSid(std::vector<uint8_t>& sid) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    const KernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<uint8_t> info(size ? size : 1);
    if (!GetTokenInformation(token.get(), TokenUser, info.data(), size, &size)) return false;
    const PSID user = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
    sid.assign(static_cast<const uint8_t*>(user), static_cast<const uint8_t*>(user) + GetLengthSid(user));
    return true;
}

bool WellKnownSid(WELL_KNOWN_SID_TYPE type, std::vector<uint8_t>& sid) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    sid.resize(size);
    return CreateWellKnownSid(type, nullptr, sid.data(), &size) != FALSE;
}

// A protected list of full control for the user, SYSTEM and the
// Administrators, passed on to everything made inside.
class PrivateSecurity {
public:
    bool Build() {
        if (!CurrentUserSid(sids_[0]) || !WellKnownSid(WinLocalSystemSid, sids_[1]) ||
            !WellKnownSid(WinBuiltinAdministratorsSid, sids_[2]))
            return false;
        DWORD size = sizeof(ACL);
        for (const auto& sid : sids_) size += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(Sid(sid));
        acl_.resize(size);
        PACL acl = reinterpret_cast<PACL>(acl_.data());
        if (!InitializeAcl(acl, size, ACL_REVISION)) return false;
        for (const auto& sid : sids_)
            if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                       Sid(sid)))
                return false;
        return InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
               SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }
    SECURITY_ATTRIBUTES Attributes() { return SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), &descriptor_, FALSE}; }

private:
    static PSID Sid(const std::vector<uint8_t>& sid) { return const_cast<uint8_t*>(sid.data()); }

    std::vector<uint8_t> sids_[3];
    std::vector<uint8_t> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
};

// The clean-up batch file under a name nobody could have prepared: made
// new in temp, so that a planted file or link is never written through.
std::string NewBatchFile(const std::string& exe, const std::string& folder, bool removeFolder) {
    const std::string temp = TempDir(true);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string random = SystemRandomHex(8);
        if (random.empty() || temp.empty()) return std::string();
        const std::string path = temp + "~rv" + random + ".bat";
        KernelHandle file(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return std::string();
        }
        DWORD written = 0;
        const std::string content = SelfDeleteBatchText(path, exe, folder, removeFolder);
        if (WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
            written == content.size())
            return path;
        file.reset();
        DeleteFileA(path.c_str());
        return std::string();
    }
    return std::string();
}

}  // namespace

KernelHandle StartProgram(const ProgramStart& start, int show, const char* folder) {
    if (start.application.empty()) return KernelHandle();
    std::string line = start.commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(start.application.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi))
        return KernelHandle();
    CloseHandle(pi.hThread);
    return KernelHandle(pi.hProcess);
}

uint64_t FileSizeOf(const std::string& fileName) {
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(fileName.c_str(), &data));
    if (!find) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

uint64_t OpenFileSize(HANDLE file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderTree(const std::string& folder) {
    const std::string path = WithoutBackslash(folder);
    if (path.empty() || FolderExists(path)) return !path.empty();
    const std::string parent = WithoutBackslash(FolderOf(path));
    if (!parent.empty() && parent != path && parent.back() != ':') CreateFolderTree(parent);
    return CreateDirectoryA(path.c_str(), nullptr) || FolderExists(path);
}

std::string ReadFilePart(const std::string& fileName, uint64_t maxLength, int64_t offset) {
    KernelHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || offset < 0) return std::string();
    const uint64_t size = OpenFileSize(file.get());
    if (static_cast<uint64_t>(offset) >= size) return std::string();
    uint64_t count = size - static_cast<uint64_t>(offset);
    if (maxLength != 0 && maxLength < count) count = maxLength;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    std::string data(static_cast<size_t>(count), '\0');
    DWORD got = 0;
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), &data[0], static_cast<DWORD>(count), &got, nullptr) || got != count)
        return std::string();
    return data;
}

bool SetFileDate(HANDLE file, uint32_t fileDate) {
    FILETIME local, utc;
    return DosDateTimeToFileTime(HIWORD(fileDate), LOWORD(fileDate), &local) && LocalFileTimeToFileTime(&local, &utc) &&
           SetFileTime(file, nullptr, nullptr, &utc);
}

uint32_t FileDateOf(const std::string& fileName) {
    KernelHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME utc, local;
    WORD date = 0, time = 0;
    if (!file || !GetFileTime(file.get(), nullptr, nullptr, &utc) || !FileTimeToLocalFileTime(&utc, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return (static_cast<uint32_t>(date) << 16) | time;
}

bool WriteFileData(const std::string& fileName, const std::string& data, uint32_t fileDate, bool append,
                   WriteProgress* progress) {
    KernelHandle file = OpenForWrite(fileName, append);
    if (!file) return false;
    const bool chunked = progress != nullptr || data.size() > 0x100000;
    const uint64_t chunk = chunked ? WriteChunkSize(data.size()) : data.size();
    const bool ok = WriteAll(file.get(), data.data(), data.size(), chunk ? chunk : 1, progress);
    if (ok && fileDate != 0) SetFileDate(file.get(), fileDate);
    return ok;
}

bool AppendText(const std::string& fileName, const std::string& text, uint32_t fileDate) {
    KernelHandle file = OpenForAppend(fileName);
    if (!file) return false;
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (fileDate != 0) SetFileDate(file.get(), fileDate);
    return written == text.size();
}

int64_t DiskFreeBytes(const std::string& path) {
    static auto* const freeSpaceEx = BindProc<decltype(GetDiskFreeSpaceExA)>("kernel32.dll", "GetDiskFreeSpaceExA");
    if (freeSpaceEx) {
        ULARGE_INTEGER available, total, free;
        const std::string target = path.size() >= 3 ? path : DriveRoot(path, true);
        if (!freeSpaceEx(target.c_str(), &available, &total, &free)) return -1;
        // No drive holds 2^63 bytes; the cap only keeps the sign meaningful.
        return available.QuadPart > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX
                                                                     : static_cast<int64_t>(available.QuadPart);
    }
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(DriveRoot(path, true).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return -1;
    return static_cast<int64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
}

bool DeleteFiles(const std::string& mask, bool clearAttributes) {
    const std::string folder = FolderOf(mask);
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(mask.c_str(), &data));
    if (!find) return false;
    bool matched = false;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        matched = true;
        const std::string path = folder + data.cFileName;
        if (clearAttributes) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    } while (FindNextFileA(find.get(), &data));
    return matched;
}

bool DeleteTree(const std::string& folder, bool clearAttributes) {
    if (folder.empty()) return false;
    const std::string path = WithoutBackslash(folder);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLink(attributes))
        return false;
    DeleteContents(path, clearAttributes);
    RemoveDirectoryA(path.c_str());
    return !FolderExists(path);
}

NewFolder CreatePrivateFolder(const std::string& path) {
    PrivateSecurity security;
    if (!security.Build()) return NewFolder::Failed;
    SECURITY_ATTRIBUTES attributes = security.Attributes();
    if (CreateDirectoryA(path.c_str(), &attributes)) return NewFolder::Made;
    return GetLastError() == ERROR_ALREADY_EXISTS ? NewFolder::Exists : NewFolder::Failed;
}

bool SelfDeleteBatch(bool removeFolder) {
    const std::string exe = ProgramFile();
    const std::string folder = WithoutBackslash(FolderOf(exe));
    const std::string batch = NewBatchFile(exe, folder, removeFolder);
    if (batch.empty()) return false;
    // The command processor by its full path: a cmd.exe planted in the
    // current folder or in temp is never the one that runs.
    const std::string temp = TempDir(false);
    return static_cast<bool>(
        StartProgram(ProgramStartFor(SystemDir(true) + "cmd.exe", SelfDeleteArguments(batch)), SW_HIDE, temp.c_str()));
}

bool EjectCD(const std::string& path) {
    if (path.empty()) return false;
    const char letter = UpperAscii(path[0]);
    if (letter < 'A' || letter > 'Z') return false;
    const std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) != DRIVE_CDROM) return false;
    const std::string device = "\\\\.\\" + std::string(1, letter) + ":";
    KernelHandle drive(CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    StdOutLine("EjectCD-2: " + device + " " + IntText(reinterpret_cast<intptr_t>(drive.get())));
    if (!drive) {
        drive.reset(CreateFileA(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
        StdOutLine("EjectCD-3: " + device + " " + IntText(reinterpret_cast<intptr_t>(drive.get())));
    }
    if (!drive) return false;
    DWORD returned = 0;
    return DeviceIoControl(drive.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
}

std::string ErrorPageText(const std::string& fileName, const std::string& body, const std::string& url, bool iisHint,
                          const std::string& fallback) {
    const std::string page = FileExists(fileName) ? ReadFilePart(fileName, 10000, 0) : body;
    return ErrorPageMessage(page, url, iisHint, fallback);
}

}  // namespace rv
