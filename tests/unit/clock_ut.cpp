// Date stamps and the seconds-since-1899 time base.
#include <gtest/gtest.h>

#include "base/clock.h"

namespace rv {
namespace {

TEST(Dates, StampsAndSecondsSince1899) {
    const DateTime t{2026, 12, 5, 14, 3, 9};
    EXPECT_EQ(DateStamp(t), "05-DEC-2026");
    EXPECT_EQ(DateTimeStamp(t), "05-DEC-2026  14:03:09");
    EXPECT_EQ(LogTimeStamp(t), "05/12/26 14:03:09");
    EXPECT_EQ(SecondsSince1899({1899, 12, 30, 0, 0, 0}), 0);
    EXPECT_EQ(SecondsSince1899({1900, 1, 1, 0, 0, 1}), 2 * 86400 + 1);
    // 1970-01-01 is day 25569 of this time base.
    EXPECT_EQ(SecondsSince1899({1970, 1, 1, 0, 0, 0}), 25569LL * 86400);
    const DateTime back = DateTimeFromSeconds(SecondsSince1899(t));
    EXPECT_EQ(DateTimeStamp(back), DateTimeStamp(t));
    EXPECT_EQ(DateStamp(DateTimeFromSeconds(-86400)), "29-DEC-1899");
}

}  // namespace
}  // namespace rv
