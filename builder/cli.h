// The mksetup command line: parsing, dispatch and exit codes.
#pragma once

#include <ctime>
#include <ostream>
#include <string>
#include <vector>

namespace rv::builder {

struct Environment {
    const char* sourceDateEpoch = nullptr;  // SOURCE_DATE_EPOCH, when set
    std::time_t now = 0;
    bool stderrIsTerminal = false;  // progress is shown on a terminal only
};

// Runs one command; `args` excludes the program name. Returns the exit code.
int RunCli(const std::vector<std::string>& args, const Environment& env, std::ostream& out, std::ostream& err);

}  // namespace rv::builder
