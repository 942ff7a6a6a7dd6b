// Package files through the C library: the builder on every host, and the
// tests. The stub reads through Win32 instead.
#pragma once

#include <cstdio>
#include <string>

#include "format/byte_source.h"

namespace rv {

class StdFile {
public:
    StdFile() = default;
    StdFile(const std::string& path, const char* mode);
    ~StdFile();
    StdFile(const StdFile&) = delete;
    StdFile& operator=(const StdFile&) = delete;

    // Closes what is open, then opens path.
    bool Open(const std::string& path, const char* mode);
    bool IsOpen() const { return f_ != nullptr; }
    std::FILE* get() const { return f_; }
    bool Seek(uint64_t offset);
    bool Write(const void* data, size_t n);
    bool Write(const std::string& s) { return Write(s.data(), s.size()); }
    bool Close();

private:
    std::FILE* f_ = nullptr;
};

class StdFileSource final : public ByteSource {
public:
    explicit StdFileSource(const std::string& path);
    bool IsOpen() const { return file_.IsOpen(); }
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

private:
    StdFile file_;
    uint64_t size_ = 0;
};

// Whole-file helpers; false or empty on failure.
bool ReadWholeFile(const std::string& path, std::string& out);
bool WriteWholeFile(const std::string& path, const std::string& data);

}  // namespace rv
