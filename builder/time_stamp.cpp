#include "builder/time_stamp.h"

#include "base/clock.h"
#include "base/numbers.h"
#include "builder/cli_error.h"

namespace rv::builder {

namespace {

bool LocalTime(std::time_t t, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &t) == 0;
#else
    return localtime_r(&t, &out) != nullptr;
#endif
}

bool UtcTime(std::time_t t, std::tm& out) {
#ifdef _WIN32
    return gmtime_s(&out, &t) == 0;
#else
    return gmtime_r(&t, &out) != nullptr;
#endif
}

DateTime DateTimeOf(const std::tm& tm) {
    DateTime d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    return d;
}

int64_t SecondsSince1899Of(const std::tm& tm) { return SecondsSince1899(DateTimeOf(tm)); }

}  // namespace

uint32_t DosFileTime(std::time_t t) {
    std::tm tm{};
    return LocalTime(t, tm) ? DosFileTimeOf(DateTimeOf(tm)) : 0;
}

uint32_t DosFileTimeUtc(std::time_t t) {
    std::tm tm{};
    return UtcTime(t, tm) ? DosFileTimeOf(DateTimeOf(tm)) : 0;
}

uint32_t DosFileTimeOf(const DateTime& d) {
    if (d.year < 1980 || d.year > 2107) return 0;
    const uint32_t date = static_cast<uint32_t>(((d.year - 1980) << 9) | (d.month << 5) | d.day);
    const uint32_t time = static_cast<uint32_t>((d.hour << 11) | (d.minute << 5) | (d.second / 2));
    return date << 16 | time;
}

std::time_t TimeFromDosFileTime(uint32_t dos) {
    if (dos == 0) return -1;
    std::tm tm{};
    tm.tm_year = static_cast<int>(dos >> 25) + 80;
    tm.tm_mon = static_cast<int>((dos >> 21) & 15) - 1;
    tm.tm_mday = static_cast<int>((dos >> 16) & 31);
    tm.tm_hour = static_cast<int>((dos >> 11) & 31);
    tm.tm_min = static_cast<int>((dos >> 5) & 63);
    tm.tm_sec = static_cast<int>(dos & 31) * 2;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::optional<std::time_t> ParseSourceDateEpoch(const char* text) {
    if (!text || !*text) return std::nullopt;
    constexpr long long kLastDosTime = 4354819198;  // 2107-12-31 23:59:58 UTC
    const long long epoch = ToInt64(text, -1);
    std::tm tm{};
    if (epoch < 0 || !UtcTime(static_cast<std::time_t>(epoch), tm))
        throw CliError(kExitInput, std::string("SOURCE_DATE_EPOCH: not a count of seconds: ") + text);
    if (epoch > kLastDosTime)
        throw CliError(kExitInput, std::string("SOURCE_DATE_EPOCH: ") + text +
                                       " is after 2107, the last year a package's file times hold");
    return static_cast<std::time_t>(epoch);
}

int64_t BuildTimeStamp(const std::optional<int64_t>& fromProject, const std::optional<std::time_t>& sourceDateEpoch,
                       std::time_t now) {
    if (fromProject) return *fromProject;
    std::tm tm{};
    if (sourceDateEpoch) return UtcTime(*sourceDateEpoch, tm) ? SecondsSince1899Of(tm) : 0;
    return LocalTime(now, tm) ? SecondsSince1899Of(tm) : 0;
}

std::string TimeStampText(int64_t secondsSince1899) {
    const DateTime d = DateTimeFromSeconds(secondsSince1899);
    return ZeroPad(d.year, 4) + "-" + ZeroPad(d.month, 2) + "-" + ZeroPad(d.day, 2) + " " + ZeroPad(d.hour, 2) + ":" +
           ZeroPad(d.minute, 2) + ":" + ZeroPad(d.second, 2);
}

}  // namespace rv::builder
