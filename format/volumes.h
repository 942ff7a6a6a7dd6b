// Names of the volumes of a spanned package: Setup.exe (or Setup.exe.001)
// is followed by Setup.exe.002, Setup.exe.003, ...
#pragma once

#include <string>

namespace rv {

std::string VolumeBaseName(const std::string& firstVolume);
// Volume n >= 2 of a base; volume 1 is the first volume's own name.
std::string VolumeName(const std::string& base, int n);

}  // namespace rv
