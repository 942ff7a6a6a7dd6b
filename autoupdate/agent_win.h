// The update agent inside the "X_" copy's main window: the agent messages
// and the test mode read from the registry.
#pragma once

#include <windows.h>

#include "stub/stub_context.h"

namespace rv {

int32_t AgentMessage(StubContext& ctx, long long code, long long argument);
// Reads TestMode and TestModeURL when forced or when the last read is old.
bool CheckTestMode(StubContext& ctx, bool force);

}  // namespace rv
