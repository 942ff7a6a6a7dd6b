// The switches of this process's own command line.
#pragma once

#include <windows.h>

#include <string>

#include "base/switches.h"

namespace rv {

std::string ProcessCommandLine();
std::string CommandTail();
bool SwitchPresent(const std::string& name);
std::string SwitchValue(const std::string& name);
long long SwitchNumber(const std::string& name, long long fallback);

}  // namespace rv
