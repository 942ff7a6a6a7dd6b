// DOS file times and the build time stamp.
#include <gtest/gtest.h>

#include <ctime>

#include "base/clock.h"
#include "builder/cli_error.h"
#include "builder/time_stamp.h"
#include "tests/unit/builder_test_util.h"

namespace rv::builder {
namespace {

TEST(Times, DosFileTimesRoundTripInTwoSecondSteps) {
    std::tm tm{};
    tm.tm_year = 124, tm.tm_mon = 5, tm.tm_mday = 1, tm.tm_hour = 13, tm.tm_min = 45, tm.tm_sec = 31;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    const uint32_t dos = DosFileTime(t);
    EXPECT_EQ(dos >> 16, (44u << 9) | (6u << 5) | 1u);
    EXPECT_EQ(dos & 0xFFFF, (13u << 11) | (45u << 5) | 15u);
    EXPECT_EQ(TimeFromDosFileTime(dos), t - 1);
    EXPECT_EQ(DosFileTime(0), 0u) << "1970 lies before what a DOS date can hold";
}

TEST(Times, BuildTimeStampPrefersTheProjectThenSourceDateEpochAsUtc) {
    const int64_t epoch1970 = SecondsSince1899(DateTime{1970, 1, 1, 0, 0, 0});
    EXPECT_EQ(BuildTimeStamp(std::nullopt, ParseSourceDateEpoch("86400"), 0), epoch1970 + 86400);
    EXPECT_EQ(BuildTimeStamp(int64_t{42}, ParseSourceDateEpoch("86400"), 0), 42);
    EXPECT_FALSE(ParseSourceDateEpoch(""));
    EXPECT_EQ(Failure([] { ParseSourceDateEpoch("yesterday"); }).code(), kExitInput);
}

}  // namespace
}  // namespace rv::builder
