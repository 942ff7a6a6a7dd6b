// The internet setup: fetches the setup file (or takes the one beside the
// stub), checks that it carries the stub's token, runs it through the
// extraction driver and removes what it downloaded.
#pragma once

#include <windows.h>

#include <string>

#include "package/driver_win.h"
#include "package/run_context.h"
#include "package/status_display_win.h"

namespace rv {

DriverResult RunInternetSetup(RunContext& ctx, StatusDisplay& display, const std::string& extractionFolder,
                              const std::string& base, const std::string& setupFileName, bool hidden);

// Writes the stub's own image, marked as the update program, into folder
// under name, with the stub's file time.
void WriteInternetAgentCopy(const std::string& ownPath, const std::string& folder, const std::string& name);

}  // namespace rv
