#include "base/switches_win.h"

#include "base/paths_win.h"

namespace rv {

std::string ProcessCommandLine() { return GetCommandLineA(); }

std::string CommandTail() { return CommandTailOf(ProcessCommandLine(), ProgramFile()); }

bool SwitchPresent(const std::string& name) { return SwitchPresentIn(CommandTail(), name); }

std::string SwitchValue(const std::string& name) { return SwitchValueIn(CommandTail(), name); }

long long SwitchNumber(const std::string& name, long long fallback) {
    return SwitchNumberIn(CommandTail(), name, fallback);
}

}  // namespace rv
