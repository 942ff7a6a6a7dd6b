// The shape every text-level fuzz target reads its input in: a few numbers
// from the front, then NUL-separated texts. The seed writer lays its seeds
// out the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rv::fuzz {

constexpr size_t kNumberBytes = 16;

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) {
        const size_t head = size < kNumberBytes ? size : kNumberBytes;
        numbers_.assign(reinterpret_cast<const char*>(data), head);
        numbers_.resize(kNumberBytes, '\0');
        const std::string rest(reinterpret_cast<const char*>(data) + head, size - head);
        size_t start = 0;
        for (;;) {
            const size_t nul = rest.find('\0', start);
            texts_.push_back(rest.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
            if (nul == std::string::npos) break;
            start = nul + 1;
        }
    }

    // Unsigned little-endian number of `width` bytes (1..8) at `at` of the head.
    uint64_t Number(size_t at, size_t width) const {
        uint64_t v = 0;
        for (size_t i = 0; i < width && at + i < kNumberBytes; ++i)
            v |= static_cast<uint64_t>(static_cast<unsigned char>(numbers_[at + i])) << (8 * i);
        return v;
    }
    int64_t Signed(size_t at) const { return static_cast<int64_t>(Number(at, 8)); }
    // Text i, empty when the input has fewer.
    const std::string& Text(size_t i) const { return i < texts_.size() ? texts_[i] : empty_; }
    size_t TextCount() const { return texts_.size(); }

private:
    std::string numbers_;
    std::vector<std::string> texts_;
    std::string empty_;
};

// Ends the run when a property does not hold: libFuzzer records the input.
inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// Seeds in the same layout.
inline std::string Seed(const std::string& numbers, const std::vector<std::string>& texts) {
    std::string s = numbers;
    s.resize(kNumberBytes, '\0');
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i) s += '\0';
        s += texts[i];
    }
    return s;
}

}  // namespace rv::fuzz
