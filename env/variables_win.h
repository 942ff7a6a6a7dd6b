// Installer variables with this machine's values: the user and the
// computer, the local date in the user's locale, the install folders handed
// in, and the Windows, shell and run-time folders.
#pragma once

#include <string>

namespace rv {

// The folders of "<InstallDir>", "<InstallCommonDir>" and "<InstallAuxDir>"
// (and "<Application Folder>", "<Common Folder>", "<Auxiliary Folder>"),
// given without a trailing backslash; empty until set.
void SetInstallFolders(const std::string& installDir, const std::string& commonDir, const std::string& auxDir);

// `separator` goes between a folder and what follows its variable (the
// update agent passes "\\"). See env/variables.h for the rules.
std::string ExpandVariables(const std::string& text, const std::string& separator, bool normalizeDots,
                            bool useUserTable, bool expandFolders);

}  // namespace rv
