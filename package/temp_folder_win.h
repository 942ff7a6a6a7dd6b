// The temp setup folder of this run: made on first use (a leftover of an
// earlier run is removed first), removed after the setup and when the main
// window goes. One per process.
#pragma once

#include <string>

namespace rv {

std::string TempSetupFolder();
void RemoveTempSetupFolder();
// The spanned restart leaves the folder to the copy it starts there.
void KeepTempSetupFolder();

}  // namespace rv
