// The extraction driver: temp space, the question before extracting, the
// extraction, the setup program's launch and the wait for its handshake.
#pragma once

#include <windows.h>

#include <string>

#include "package/launch.h"
#include "package/run_context.h"
#include "package/status_display_win.h"

namespace rv {

struct DriverInputs {
    std::string destination;        // the temp setup folder
    std::string packagePath;        // the first volume
    std::string updateProgramName;  // set when the package writes a fresh agent
    bool foreground = true;
    std::string commandTail;
    std::string launcherPath;  // in a spanned restart, the launcher's copy that names the first volume
};

struct DriverResult {
    bool completed = false;  // the setup ran and removed its launch token
    SetupOutcome outcome = SetupOutcome::NotStarted;
    int exitCode = 0;  // the setup program's, when it ran
};

DriverResult RunExtractionDriver(RunContext& ctx, StatusDisplay& display, const DriverInputs& in);

// Waits, dispatching messages, until the process has ended.
void WaitForProcess(HANDLE process);

}  // namespace rv
