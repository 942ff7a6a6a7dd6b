// What one setup run knows of itself: the stub's own package and command
// line, the cancel flag of transfers and the setup program's exit code, and
// the run's own state: its temp setup folder, the look of its boxes and its
// variables. The stub's entry owns it; the steps below the stub get it by
// reference.
#pragma once

#include <string>

#include "env/owner_link_win.h"
#include "env/variables_win.h"
#include "package/file_info.h"
#include "package/temp_folder_win.h"
#include "ui/message_box_win.h"

namespace rv {

struct RunContext {
    explicit RunContext(const TGFileInfo& own) : package(own) {}

    const TGFileInfo& package;  // over the stub's own file, for the whole run
    std::string ownPath;
    std::string commandLine;
    std::string commandTail;
    bool downloadCancel = false;  // set by closing the window; transfers stop
    int exitCode = 0;             // the setup program's, once it ran
    OwnerLink owner;              // the program that asked for notices
    BoxSettings boxes;            // the language's font, the AutoPlay answer
    RunVariables variables;       // install folders handed in, run-time folders
    SetupFolder setupFolder;      // removed at the latest when the run ends
};

}  // namespace rv
