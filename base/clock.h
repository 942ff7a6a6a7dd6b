// Calendar times: the stamps the stub writes and the package's time base.
#pragma once

#include <cstdint>
#include <string>

namespace rv {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};
std::string DateStamp(const DateTime& t);      // 05-DEC-2026
std::string DateTimeStamp(const DateTime& t);  // 05-DEC-2026  14:03:09
std::string LogTimeStamp(const DateTime& t);   // 05/12/26 14:03:09
// Whole seconds since 1899-12-30 00:00, the time base of the package and
// of the update agent, and back.
int64_t SecondsSince1899(const DateTime& t);
DateTime DateTimeFromSeconds(int64_t seconds);

}  // namespace rv
