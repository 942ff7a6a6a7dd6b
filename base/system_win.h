// Facts about the system and the user: platform, environment, names, the
// last error as text, the shell's open verb.
#pragma once

#include <windows.h>

#include <string>

namespace rv {

bool IsNT();
std::string EnvironmentValue(const std::string& name);
bool DiagnosticMode();
bool OpenWithShell(const std::string& file, const std::string& parameters, int show);
std::string LastErrorText();
std::string UserName();
std::string ComputerName();
std::string UserDomain();
std::string CurrentVersionKey();
std::string RegisteredOwner();
std::string RegisteredOrganization();

}  // namespace rv
