#include "package/file_source_win.h"

namespace rv {

Win32FileSource::Win32FileSource(const std::string& path, FileSharing sharing)
    : file_(CreateFileA(path.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_DELETE | (sharing == FileSharing::All ? FILE_SHARE_WRITE : 0),
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    LARGE_INTEGER size;
    if (file_ && GetFileSizeEx(file_.get(), &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

size_t Win32FileSource::ReadAt(uint64_t offset, void* buffer, size_t n) {
    if (!file_ || offset >= size_) return 0;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) return 0;
    const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    DWORD got = 0;
    return ReadFile(file_.get(), buffer, want, &got, nullptr) ? got : 0;
}

}  // namespace rv
