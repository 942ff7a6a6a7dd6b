#include "format/scramble.h"

#include "base/random.h"

namespace rv {

namespace {

constexpr int kDigitShift = 50;

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> DecodeDigits(const std::string& stored) {
    if (stored.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < stored.size(); i += 2) {
        const int hi = HexValue(static_cast<unsigned char>(stored[i]) - kDigitShift);
        const int lo = HexValue(static_cast<unsigned char>(stored[i + 1]) - kDigitShift);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return bytes;
}

unsigned char SumExceptSecondToLast(const std::string& b) {
    unsigned sum = 0;
    for (size_t i = 0; i < b.size(); ++i)
        if (i != b.size() - 2) sum += static_cast<unsigned char>(b[i]);
    return static_cast<unsigned char>(sum);
}

unsigned NextSalt(unsigned& state) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0xFF;
}

}  // namespace

std::optional<std::string> UnscrambleItem(const std::string& stored) {
    std::optional<std::string> decoded = DecodeDigits(stored);
    if (!decoded || decoded->size() <= 4) return std::nullopt;
    std::string b = *decoded;
    const size_t n = b.size();
    if (static_cast<unsigned char>(b[n - 2]) != SumExceptSecondToLast(b)) return std::nullopt;
    const char key = static_cast<char>(b[0] ^ b[n - 1]);
    for (size_t i = 1; i + 1 < n; ++i) b[i] = static_cast<char>(b[i] ^ key);
    const size_t p = static_cast<unsigned char>(b[1]);
    const size_t q = static_cast<unsigned char>(b[2]);
    // One-based start p + 4 is index p + 3; a length that the counts make
    // negative leaves nothing.
    if (p + q + 4 > n) return std::string();
    return b.substr(p + 3, n - p - q - 4);
}

std::string UnscrambleItemOrRandom(const std::string& stored) {
    std::optional<std::string> plain = UnscrambleItem(stored);
    return plain ? *plain : RandomNumberText(0, 99998);
}

std::string ScrambleItem(const std::string& value, unsigned salt) {
    unsigned state = salt;
    const size_t p = NextSalt(state) % 8;
    const size_t q = 2 + NextSalt(state) % 6;
    std::string b;
    b += static_cast<char>(NextSalt(state));
    b += static_cast<char>(p);
    b += static_cast<char>(q);
    for (size_t i = 0; i < p; ++i) b += static_cast<char>(NextSalt(state));
    b += value;
    for (size_t i = 0; i < q; ++i) b += static_cast<char>(NextSalt(state));
    b += static_cast<char>(NextSalt(state));
    const char key = static_cast<char>(b.front() ^ b.back());
    for (size_t i = 1; i + 1 < b.size(); ++i) b[i] = static_cast<char>(b[i] ^ key);
    b[b.size() - 2] = static_cast<char>(SumExceptSecondToLast(b));
    static const char kHex[] = "0123456789ABCDEF";
    std::string stored;
    for (unsigned char c : b) {
        stored += static_cast<char>(kHex[c >> 4] + kDigitShift);
        stored += static_cast<char>(kHex[c & 15] + kDigitShift);
    }
    return stored;
}

}  // namespace rv
