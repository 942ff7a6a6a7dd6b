#include "env/file_util_win.h"

#include <commctrl.h>
#include <winioctl.h>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/paths_win.h"
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

std::string ShortPath(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : path;
}

}  // namespace

KernelHandle StartProgram(const std::string& commandLine, int show, const char* folder) {
    std::string line = commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi))
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
    const bool existed = FolderExists(path);
    DeleteFiles(path + "\\*.*", clearAttributes);
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
            DeleteTree(path + "\\" + name, clearAttributes);
        } while (FindNextFileA(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryA(path.c_str());
    return existed && !FolderExists(path);
}

bool SelfDeleteBatch(bool removeFolder, bool shortNames) {
    std::string batch = TempDir(true) + "_DEL_ME_.BAT";
    std::string exe = ProgramFile();
    std::string folder = WithoutBackslash(FolderOf(exe));
    std::string quote = "\"";
    if (shortNames) {
        // Short names exist only for files that exist: the batch file is
        // made first so that its own short name can be taken.
        WriteFileData(batch, "ABC\r\n", 0, false, nullptr);
        quote.clear();
        const std::string shortBatch = ShortPath(batch);
        exe = ShortPath(exe);
        folder = ShortPath(folder);
        DeleteFileA(batch.c_str());
        batch = shortBatch;
    }
    SetCurrentDirectoryA(TempDir(false).c_str());
    if (!WriteFileData(batch, SelfDeleteBatchText(batch, exe, folder, quote, removeFolder), 0, false, nullptr))
        return false;
    return static_cast<bool>(StartProgram("cmd.exe /c \"" + batch + "\"", SW_HIDE, TempDir(false).c_str()));
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
