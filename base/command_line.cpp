#include "base/command_line.h"

#include "base/text.h"

namespace rv {

std::string QuotedPath(const std::string& path) {
    size_t backslashes = 0;
    while (backslashes < path.size() && path[path.size() - 1 - backslashes] == '\\') ++backslashes;
    return "\"" + path + std::string(backslashes, '\\') + "\"";
}

ProgramStart ProgramStartFor(const std::string& program, const std::string& arguments) {
    const std::string tail = Trim(arguments);
    return ProgramStart{program, QuotedPath(program) + (tail.empty() ? "" : " " + tail)};
}

ProgramStart ProgramStartOf(const std::string& commandLine) {
    const size_t close = commandLine.find('"', 1);
    if (commandLine.empty() || commandLine[0] != '"' || close == std::string::npos)
        return ProgramStart{"", commandLine};
    return ProgramStart{commandLine.substr(1, close - 1), commandLine};
}

}  // namespace rv
