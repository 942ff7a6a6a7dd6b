// The scrambled-text marker and its round trip.
#include <gtest/gtest.h>

#include "base/scrambler.h"

namespace rv {
namespace {

TEST(Scramble, RoundTripAndMarker) {
    const std::string plain = "Hello|world \x01\xff";
    for (int key = 33; key <= 122; key += 17) {
        const std::string encoded = ScrambleWithKey(plain, true, key);
        ASSERT_EQ(encoded.substr(0, 12), kScrambleMarker);
        EXPECT_EQ(static_cast<unsigned char>(encoded[12]), key);
        EXPECT_EQ(Scramble(encoded, false), plain);
        EXPECT_EQ(Scramble(encoded, true), encoded);  // already marked
    }
    EXPECT_EQ(Scramble("plain", false), "plain");  // unmarked text decodes to itself
    // Even positions XOR with i+1+key, odd ones with i+1-key.
    EXPECT_EQ(ScrambleWithKey(std::string(2, '\0'), true, 40),
              std::string("Scrambled=01") + char(40) + char(41) + char((2 - 40) & 0xFF));
}

}  // namespace
}  // namespace rv
