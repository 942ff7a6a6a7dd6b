// mksetup: makes, inspects and unpacks setup files.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define RV_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define RV_ISATTY(fd) isatty(fd)
#endif

#include "builder/cli.h"
#include "builder/output_file.h"

int main(int argc, char** argv) {
    rv::builder::Environment env;
    env.sourceDateEpoch = std::getenv("SOURCE_DATE_EPOCH");
    env.now = std::time(nullptr);
    env.stderrIsTerminal = RV_ISATTY(2) != 0;
    const int code = rv::builder::RunCli(std::vector<std::string>(argv + 1, argv + argc), env, std::cout, std::cerr);
    // The staging is gone by now; end as the signal would have ended us, so
    // that the caller sees the interruption.
    if (const int signal = rv::builder::InterruptSignal()) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return code;
}
