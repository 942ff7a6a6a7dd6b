// The internet setup's decisions: where the setup file comes from, the
// question before downloading, the token test and the agent copy.
#pragma once

#include <string>

namespace rv {

// The setup file's address: base URL, "/", file name.
std::string SetupFileUrl(const std::string& base, const std::string& fileName);

// The question before downloading, with "<SIZE>" as MB text of the size
// (decimal bytes from the internet block).
std::string DownloadQuestion(const std::string& question, const std::string& sizeBytes);

// The user declined: the error text that shows no box.
constexpr const char* kDeclined = "!";
// The error before any transfer: no connection wins over a declined
// question, so an offline user who declines still learns why.
std::string PreDownloadError(bool declined, bool connected, const std::string& noConnectionText);
bool ShowsErrorBox(const std::string& error);

// Empty when the setup file's token matches the stub's own (both read
// unscrambled, compared exactly); otherwise "Bad Secret Token!", or the
// 404 text when the file is an HTML error page.
std::string TokenError(const std::string& ownToken, const std::string& fileToken, const std::string& fileStart,
                       const std::string& url);

// The copy of the stub written as the update program: bytes behind the
// recorded length go when they are fewer than 10000 (a signature, say), and
// the trailer is marked as the auto-update program.
std::string InternetAgentImage(std::string image);

}  // namespace rv
