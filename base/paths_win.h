// Folders of the system and of the running program, and the DBCS-aware
// backslash helpers bound to the system's code page.
#pragma once

#include <windows.h>

#include <string>

#include "base/paths.h"

namespace rv {

bool IsLeadByte(unsigned char c);
std::string WithBackslash(const std::string& path, bool add);
std::string WithoutBackslash(const std::string& path);
std::string ProgramFile();
std::string ProgramDir(bool withBackslash);
std::string WindowsDir(bool withBackslash);
std::string SystemDir(bool withBackslash);
std::string TempDir(bool withBackslash);

}  // namespace rv
