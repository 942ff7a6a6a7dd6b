// Installer variables with this machine's values: the user and the
// computer, the local date in the user's locale, the install folders handed
// in, and the Windows, shell and run-time folders.
#pragma once

#include <string>
#include <vector>

#include "env/folders_win.h"
#include "env/variables.h"

namespace rv {

// What an expansion came to: the text, and the names of the run-time
// folders it did not find whose definitions ask to tell the user. Showing
// them is the caller's: env shows no box.
struct Expansion {
    std::string text;
    std::vector<std::string> foldersNotFound;
};

// The variables of a run: the values handed in and the run-time folders,
// resolved once for the whole run. The run's context owns them.
class RunVariables {
public:
    RunVariables() = default;
    RunVariables(const RunVariables&) = delete;
    RunVariables& operator=(const RunVariables&) = delete;

    // The folders of "<InstallDir>", "<InstallCommonDir>" and
    // "<InstallAuxDir>" (and "<Application Folder>", "<Common Folder>",
    // "<Auxiliary Folder>"), given without a trailing backslash; empty
    // until set.
    void SetInstallFolders(const std::string& installDir, const std::string& commonDir, const std::string& auxDir);
    RunTimeFolders& runTimeFolders() { return runTime_; }

    // `separator` goes between a folder and what follows its variable (the
    // update agent passes "\\"). See env/variables.h for the rules.
    Expansion Expand(const std::string& text, const std::string& separator, bool normalizeDots, bool useUserTable,
                     bool expandFolders);

private:
    // The setup stub hands in only the install folders; the exit code, the
    // user table and the service list stay empty.
    VariableSlots slots_;
    RunTimeFolders runTime_;
};

}  // namespace rv
