// The files of a source folder as they go into a package: sorted, with
// their stored names and file times.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace rv::builder {

struct SourceFile {
    std::string path;        // on disk
    std::string storedName;  // relative, "\" separated
    uint64_t size = 0;
    uint32_t fileTime = 0;  // packed DOS date and time, 0 = none
};

// Every regular file below `folder`, sorted by stored name (byte order) so
// that the package does not depend on the order the system lists them in.
// File times later than `latest` are taken as `latest`: with
// SOURCE_DATE_EPOCH a fresh checkout then builds the same bytes. Throws
// CliError for a folder that cannot be read or a name that cannot be stored
// safely.
std::vector<SourceFile> CollectSourceFiles(const std::string& folder, const std::optional<std::time_t>& latest);

// "a/b" and "a\b" in the form stored in a record: "a\b".
std::string StoredName(const std::string& relative);

}  // namespace rv::builder
