// Numbers parsed from and written as text, and random numbers in a range.
#include <gtest/gtest.h>

#include "base/numbers.h"
#include "base/random.h"

namespace rv {
namespace {

TEST(Text, Numbers) {
    EXPECT_EQ(ParseNumber("ff", 16), 255);
    EXPECT_EQ(ParseNumber(" 101 ", 2), 5);
    EXPECT_EQ(ParseNumber("1Z", 10), 10 - 1);  // outside the table counts -1
    EXPECT_EQ(ParseHex("0x1A"), 26);
    EXPECT_EQ(ParseHex("1a"), 26);
    EXPECT_EQ(ToInt64(" -42 ", 0), -42);
    EXPECT_EQ(ToInt64("TRUE", 7), 7);
    EXPECT_EQ(ToInt64("", 7), 7);
    EXPECT_EQ(ToInt64("99999999999999999999", 7), 7);
    EXPECT_EQ(EnsureRange(50, 1, 25), 25);
    for (int i = 0; i < 100; ++i) {
        const long long n = RandomNumber(10000, 100000);
        EXPECT_GE(n, 10000);
        EXPECT_LE(n, 100000);
    }
}

TEST(Numbers, ScaleToDpi) {
    struct Case {
        int design, dpi, scaled;
    } cases[] = {
        {492, 96, 492},  {492, 120, 615}, {492, 144, 738}, {492, 192, 984},
        {1, 120, 1},     {1, 144, 2},     {13, 120, 16},   {13, 144, 20},  // halves round away from zero
        {-11, 144, -17}, {-11, 120, -14}, {0, 192, 0},     {70, 0, 70},    // no resolution: the design's
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleToDpi(c.design, c.dpi), c.scaled) << c.design << " at " << c.dpi;
}

}  // namespace
}  // namespace rv
