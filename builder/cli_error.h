// The error every builder command reports: a message that names the file
// and what is wrong, and the process exit code that goes with it.
#pragma once

#include <stdexcept>
#include <string>

namespace rv::builder {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,    // bad command line
    kExitInput = 2,    // project, source file, stub or package that cannot be read or used
    kExitDamaged = 3,  // a package whose checksum, records or volumes are wrong
    kExitIo = 4,       // output that cannot be written
};

class CliError : public std::runtime_error {
public:
    CliError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

}  // namespace rv::builder
