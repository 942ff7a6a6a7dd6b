// Process-wide state of one stub run, owned by the entry and passed down.
#pragma once

#include <string>

#include "autoupdate/agent_state.h"
#include "package/file_info.h"

namespace rv {

struct StubContext {
    explicit StubContext(const TGFileInfo& own) : package(own) {}

    const TGFileInfo& package;  // over the stub's own file, for the whole run
    std::string ownPath;
    std::string commandLine;
    std::string commandTail;
    std::string className;  // of the main window
    bool agentMode = false;  // the window runs the update agent, not a setup
    AgentState agent;
    bool downloadCancel = false;  // set by closing the window; transfers stop
    bool windowDestroyed = false;
    int exitCode = 0;  // the setup program's, once it ran
};

}  // namespace rv
