#include <gtest/gtest.h>

#include "format/scramble.h"

namespace rv {
namespace {

// Builds a stored item by hand, following the reading routine step by step.
std::string Store(const std::string& bytes) {
    std::string s;
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : bytes) {
        s += static_cast<char>(kHex[c >> 4] + 50);
        s += static_cast<char>(kHex[c & 15] + 50);
    }
    return s;
}

TEST(ScrambledItems, RoundTrip) {
    for (const std::string& value :
         {std::string(), std::string("T"), std::string("token-0042"), std::string(200, '\xee')}) {
        for (unsigned salt : {0u, 1u, 77u, 123456u}) {
            const std::string stored = ScrambleItem(value, salt);
            EXPECT_EQ(stored.find('|'), std::string::npos);
            ASSERT_TRUE(UnscrambleItem(stored)) << value;
            EXPECT_EQ(*UnscrambleItem(stored), value);
        }
    }
    EXPECT_EQ(ScrambleItem("abc", 5), ScrambleItem("abc", 5));
}

TEST(ScrambledItems, HandMadeVector) {
    // key = 0x10 ^ 0x20 = 0x30; after the XOR: p = 1, q = 1, one filler,
    // "AB", the check byte; the check byte (raw) is the sum of the others.
    std::string raw = {0x10, 0x01 ^ 0x30, 0x01 ^ 0x30, 0x7f ^ 0x30, 'A' ^ 0x30, 'B' ^ 0x30, 0, 0x20};
    unsigned sum = 0;
    for (size_t i = 0; i < raw.size(); ++i)
        if (i != raw.size() - 2) sum += static_cast<unsigned char>(raw[i]);
    raw[raw.size() - 2] = static_cast<char>(sum);
    EXPECT_EQ(UnscrambleItem(Store(raw)).value_or("?"), "AB");
}

TEST(ScrambledItems, DamagedTextsGiveARandomNumber) {
    const std::string good = ScrambleItem("secret", 3);
    std::string flipped = good;
    flipped[10] = flipped[10] == 'b' ? 'c' : 'b';
    for (const std::string& bad : {std::string("plain"), good.substr(1), flipped, std::string("bbbb")}) {
        EXPECT_FALSE(UnscrambleItem(bad)) << bad;
        const std::string fallback = UnscrambleItemOrRandom(bad);
        EXPECT_FALSE(fallback.empty());
        EXPECT_LT(std::stoll(fallback), 99999);
    }
}

}  // namespace
}  // namespace rv
