// A package file read through Win32, opened with every kind of sharing so
// that a running stub can read its own image.
#pragma once

#include <string>

#include "base/handle_win.h"
#include "format/byte_source.h"

namespace rv {

// Every kind of sharing lets the stub read a file that others hold open;
// denying writes keeps the bytes from changing between two reads.
enum class FileSharing { All, DenyWriting };

class Win32FileSource final : public ByteSource {
public:
    explicit Win32FileSource(const std::string& path, FileSharing sharing = FileSharing::All);
    bool IsOpen() const { return static_cast<bool>(file_); }
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

private:
    KernelHandle file_;
    uint64_t size_ = 0;
};

}  // namespace rv
