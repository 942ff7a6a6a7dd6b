// Command lines of the programs the stub starts. The system splits a
// command line itself when no program is named apart from it: an unquoted
// "C:\Program Files\x.exe" first runs "C:\Program.exe". So every start names
// the program file as the application and quotes it in the line as well.
#pragma once

#include <string>

namespace rv {

// A path in double quotes. Backslashes before the closing quote are
// doubled, so that a folder's final backslash does not escape the quote.
std::string QuotedPath(const std::string& path);

struct ProgramStart {
    std::string application;  // the program's full path, searched nowhere
    std::string commandLine;  // the quoted program, then its arguments
};
// Leading and trailing blanks of the arguments are dropped.
ProgramStart ProgramStartFor(const std::string& program, const std::string& arguments);
// A command line that begins with a quoted program, as ProgramStartFor
// writes it; the application is empty when the line does not begin so.
ProgramStart ProgramStartOf(const std::string& commandLine);

}  // namespace rv
