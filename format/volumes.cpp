#include "format/volumes.h"

#include "base/numbers.h"
#include "base/text.h"

namespace rv {

std::string VolumeBaseName(const std::string& firstVolume) {
    return EndsWith(".001", firstVolume, false) ? firstVolume.substr(0, firstVolume.size() - 4) : firstVolume;
}

std::string VolumeName(const std::string& base, int n) { return base + "." + ZeroPad(n, 3); }

}  // namespace rv
