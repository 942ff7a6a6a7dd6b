// The update agent inside the "X_" copy's main window: the agent messages
// and the test mode read from the registry.
#pragma once

#include <windows.h>

#include <cstdint>

#include "autoupdate/agent_state.h"
#include "package/run_context.h"

namespace rv {

int32_t AgentMessage(const RunContext& ctx, AgentState& agent, long long code, long long argument);
// Reads TestMode and TestModeURL when forced or when the last read is old.
bool CheckTestMode(AgentState& agent, bool force);

}  // namespace rv
