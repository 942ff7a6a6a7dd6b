// Random-access reading of a package file. The stub supplies a Win32 file,
// the builder and the tests a host file or memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rv {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to n bytes at offset and returns how many it read: fewer at
    // the end of the data, 0 past it or on a read error.
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t n) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(const std::string& data) : data_(data) {}
    uint64_t Size() const override { return data_.size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

private:
    const std::string& data_;
};

// Reads exactly n bytes at offset into a string; empty when fewer exist.
bool ReadExact(ByteSource& src, uint64_t offset, size_t n, std::string& out);

}  // namespace rv
