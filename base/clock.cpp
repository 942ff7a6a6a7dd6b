#include "base/clock.h"

#include "base/numbers.h"
#include "base/text.h"

namespace rv {

namespace {

const char kMonths[] = "||JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC|";

std::string Two(int n) { return ZeroPad(n, 2); }

}  // namespace

std::string DateStamp(const DateTime& t) {
    return Two(t.day) + "-" + ListField(kMonths, t.month, "???") + "-" + ZeroPad(t.year, 4);
}

std::string DateTimeStamp(const DateTime& t) {
    return DateStamp(t) + "  " + Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second);
}

std::string LogTimeStamp(const DateTime& t) {
    return Two(t.day) + "/" + Two(t.month) + "/" + Two(t.year % 100) + " " + Two(t.hour) + ":" + Two(t.minute) + ":" +
           Two(t.second);
}

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

const int64_t kDays1899 = DaysFromCivil(1899, 12, 30);
}  // namespace

int64_t SecondsSince1899(const DateTime& t) {
    const int64_t days =
        DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kDays1899;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

DateTime DateTimeFromSeconds(int64_t seconds) {
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime t;
    CivilFromDays(days + kDays1899, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

}  // namespace rv
