// The files of a source folder as they go into a package: sorted, with
// their stored names (in the package's code page) and file times.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace rv::builder {

struct SourceFile {
    std::string path;         // on disk
    std::string displayName;  // relative, "/" separated, UTF-8: for messages
    std::string storedName;   // relative, "\" separated, in the package's code page
    uint64_t size = 0;
    uint32_t fileTime = 0;  // packed DOS date and time, 0 = none
};

struct SourceOptions {
    // File times later than `latest` are taken as `latest`: with
    // SOURCE_DATE_EPOCH a fresh checkout then builds the same bytes.
    std::optional<std::time_t> latest;
    // File times as UTC wall-clock times instead of local ones, so that a
    // reproducible build does not depend on the machine's time zone.
    bool utcTimes = false;
    int codePage = 1252;
    bool followLinks = false;
    std::vector<std::string> exclude;  // patterns; "dir/" matches folders only
};

struct SourceListing {
    std::vector<SourceFile> files;
    std::vector<std::string> warnings;
};

// Every regular file below `folder`, sorted by stored name (byte order) so
// that the package does not depend on the order the system lists them in.
// Throws CliError(kExitInput) naming the path for what the package cannot
// hold as it is: a name that cannot be stored or that Windows would take
// for another file's, a symbolic link (unless followed; then a cycle), a
// pipe, a socket or a device.
SourceListing CollectSourceFiles(const std::string& folder, const SourceOptions& options);

// "a/b" and "a\b" in the form stored in a record: "a\b".
std::string StoredName(const std::string& relative);

// Whether a relative "/"-separated path matches an exclude pattern: "*" and
// "?" within one name, compared without case; a pattern without "/" matches
// a name at any depth, one ending in "/" only folders.
bool IsExcluded(const std::string& relative, bool isFolder, const std::vector<std::string>& patterns);

}  // namespace rv::builder
