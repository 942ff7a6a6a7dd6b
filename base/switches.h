// Command-line switches: the tail after the program's own path, and the
// "/name" and "/name=value" switches found in it.
#pragma once

#include <string>

namespace rv {

std::string CommandTailOf(const std::string& commandLine, const std::string& programPath);
bool SwitchPresentIn(const std::string& tail, const std::string& name);
std::string SwitchValueIn(const std::string& tail, const std::string& name);
long long SwitchNumberIn(const std::string& tail, const std::string& name, long long fallback);

}  // namespace rv
