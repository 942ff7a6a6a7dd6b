// File and system utilities: the decisions that need no Windows call.
#pragma once

#include <cstdint>
#include <string>

namespace rv {

// The path's drive root ("D:\") when forced or when the path is shorter than
// three characters; otherwise the path itself. Empty for an empty path.
std::string DriveRoot(const std::string& path, bool force);

// Bytes per write of a large or watched whole-file write: a tenth of the
// total, at most 1 MiB, and at least 1 KiB (or the total when smaller).
uint64_t WriteChunkSize(uint64_t total);

// The clean-up batch file: it loops until the program's file can be
// deleted (that is, the program has ended), optionally removes the folder,
// and deletes itself. Every path is quoted, and "%" is doubled: the command
// processor would expand "%NAME%" in a path.
std::string SelfDeleteBatchText(const std::string& batch, const std::string& exe, const std::string& folder,
                                bool removeFolder);

// The command processor's arguments that run the batch file: no AutoRun
// commands, and the path quoted inside a second pair of quotes, which the
// processor strips whatever the path holds.
std::string SelfDeleteArguments(const std::string& batch);

// True when a downloaded body is an HTML error page rather than a file.
bool IsErrorPage(const std::string& body);
// The user's message for an error page body, or the fallback.
std::string ErrorPageMessage(const std::string& body, const std::string& url, bool iisHint,
                             const std::string& fallback);

}  // namespace rv
