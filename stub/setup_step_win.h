// The setup start-up step: the first tick of the main window's timer runs
// the whole setup, then ends the message loop.
#pragma once

#include <windows.h>

#include "package/status_display_win.h"
#include "stub/stub_context.h"

namespace rv {

void RunSetupStartupStep(StubContext& ctx, StatusDisplay& display);

}  // namespace rv
