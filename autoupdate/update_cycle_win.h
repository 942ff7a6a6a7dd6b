// The update agent's tick: on its schedule it fetches the .info descriptor
// of the newest setup, compares it with the installed product's .original
// descriptor, and either shows the publisher's news page or downloads the
// new setup, ends the running product, runs the setup and restarts what it
// stopped. Every step leaves a trace line.
#pragma once

#include <windows.h>

#include "autoupdate/agent_state.h"
#include "package/run_context.h"
#include "package/status_display_win.h"

namespace rv {

// Runs on every timer message of the agent's window.
void AgentTick(RunContext& ctx, AgentState& agent, StatusDisplay& display);

}  // namespace rv
