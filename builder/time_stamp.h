// Times as the package stores them: the build time stamp (seconds since
// 1899-12-30) and the packed DOS file times of the records.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "base/clock.h"

namespace rv::builder {

// The packed DOS date (high 16 bits) and time (low 16 bits, 2-second steps)
// of a moment in local time; 0 before 1980 or after 2107, which DOS dates
// cannot hold.
uint32_t DosFileTime(std::time_t t);
// The same of the moment's UTC wall-clock time: what a reproducible build
// stores, whatever the machine's time zone.
uint32_t DosFileTimeUtc(std::time_t t);
uint32_t DosFileTimeOf(const DateTime& localTime);
// The inverse, as a local time; -1 for 0.
std::time_t TimeFromDosFileTime(uint32_t dos);

// SOURCE_DATE_EPOCH as a time; nothing when unset or empty. Throws CliError
// for a value that is not a count of seconds, or one past the last moment a
// packed DOS file time holds (2107-12-31 23:59:58 UTC).
std::optional<std::time_t> ParseSourceDateEpoch(const char* text);

// The package time stamp of a build: the project's own value, else
// SOURCE_DATE_EPOCH (read as UTC so that the result does not depend on the
// build machine's zone), else the present local time.
int64_t BuildTimeStamp(const std::optional<int64_t>& fromProject, const std::optional<std::time_t>& sourceDateEpoch,
                       std::time_t now);

// "2024-06-01 12:00:00" for a package time stamp.
std::string TimeStampText(int64_t secondsSince1899);

}  // namespace rv::builder
