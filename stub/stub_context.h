// Process-wide state of one stub run, owned by the entry and passed down:
// the run's own context, the window's class and the update agent's state.
#pragma once

#include <string>

#include "autoupdate/agent_state.h"
#include "package/run_context.h"

namespace rv {

struct StubContext : RunContext {
    using RunContext::RunContext;

    std::string className;  // of the main window
    AgentState agent;
    bool windowDestroyed = false;
};

}  // namespace rv
