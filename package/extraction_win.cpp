#include "package/extraction_win.h"

#include <utility>

#include "base/clock.h"
#include "base/clock_win.h"
#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/system_win.h"
#include "base/text.h"
#include "base/window_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "package/file_source_win.h"
#include "package/sha256_win.h"
#include "ui/message_box_win.h"

namespace rv {

namespace {

class AppendFile final : public OutputFile {
public:
    explicit AppendFile(KernelHandle file) : file_(std::move(file)) {}
    bool Write(const uint8_t* data, size_t n) override {
        DWORD written = 0;
        return WriteFile(file_.get(), data, static_cast<DWORD>(n), &written, nullptr) && written == n;
    }
    bool Close(uint32_t fileDate) override {
        if (fileDate != 0) SetFileDate(file_.get(), fileDate);
        return CloseHandle(file_.release()) != FALSE;
    }

private:
    KernelHandle file_;
};

}  // namespace

bool Win32ExtractionHost::FileExists(const std::string& path) { return rv::FileExists(path); }
uint64_t Win32ExtractionHost::FileSize(const std::string& path) { return FileSizeOf(path); }

// Nobody may write a volume while it is read: a later volume is checked
// against its digest first and then read through the same handle.
std::unique_ptr<ByteSource> Win32ExtractionHost::OpenVolume(const std::string& path) {
    return std::unique_ptr<ByteSource>(new Win32FileSource(path, FileSharing::DenyWriting));
}

bool Win32ExtractionHost::DigestVolume(ByteSource& volume, VolumeDigest& digest) {
    SystemSha256 sha;
    return DigestOf(volume, sha, digest, [] { PumpMessages(0); });
}

bool Win32ExtractionHost::CreateFolderTree(const std::string& folder) { return rv::CreateFolderTree(folder); }

std::unique_ptr<OutputFile> Win32ExtractionHost::OpenOutput(const std::string& path, bool append) {
    rv::CreateFolderTree(FolderOf(path));
    KernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  append ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    if (append) SetFilePointer(file.get(), 0, nullptr, FILE_END);
    return std::unique_ptr<OutputFile>(new AppendFile(std::move(file)));
}

bool Win32ExtractionHost::WriteWholeFile(const std::string& path, const std::string& data, uint32_t fileDate) {
    return !data.empty() && WriteFileData(path, data, fileDate, false, nullptr);
}

uint32_t Win32ExtractionHost::FileDate(const std::string& path) { return FileDateOf(path); }

int64_t Win32ExtractionHost::NowSeconds1899() { return SecondsSince1899(LocalNow()); }

void Win32ExtractionHost::Progress(int kind, uint32_t count) {
    if (kind == 0)
        display_.StartProgress(static_cast<int>(count), 0);
    else
        display_.StepProgress();
}

void Win32ExtractionHost::Pump() { PumpMessages(0); }
void Win32ExtractionHost::Wait(unsigned ms) { WaitPumping(ms, 0); }
void Win32ExtractionHost::EnableAutoPlayCancel() { boxes_.EnableAutoPlayCancel(true); }
void Win32ExtractionHost::EjectMedium(const std::string& path) { EjectCD(path); }

bool Win32ExtractionHost::AskForDisk(int volume) {
    return ConfirmOkCancel(boxes_, nullptr, ReplaceAll(prompt_.text, "<DISK_NUM>", IntText(volume), false),
                           prompt_.caption, prompt_.charset, prompt_.buttons);
}

void Win32ExtractionHost::ShowError(const std::string& markup) {
    ErrorBox(boxes_, nullptr, markup, prompt_.errorCaption, prompt_.charset, prompt_.buttons);
}

std::string Win32ExtractionHost::LastErrorText() { return rv::LastErrorText(); }
int64_t Win32ExtractionHost::FreeBytes(const std::string& path) { return DiskFreeBytes(path); }
void Win32ExtractionHost::Trace(const std::string& line) { line.empty() ? StdOutRaw("") : StdOutLine(" " + line); }
uint64_t Win32ExtractionHost::TickMs() { return GetTickCount(); }

}  // namespace rv
