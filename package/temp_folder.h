// Names of the stub's temporary folders.
#pragma once

#include <cstdint>
#include <string>

namespace rv {

// temp path + "SETUP_" + the time-of-day half of the stub file's packed
// date and time: the same stub file always uses the same folder.
std::string SetupFolderName(const std::string& tempPath, uint32_t stubFileDate);

}  // namespace rv
