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

}  // namespace rv
