// Reading registry values by their textual path ("HKCU\\Software\\...").
#pragma once

#include <windows.h>

#include <string>

#include "base/registry.h"

namespace rv {

HKEY RegistryRoot(const std::string& name);
std::string ReadRegistryValue(const std::string& path, const std::string& valueName, const std::string& fallback);

}  // namespace rv
