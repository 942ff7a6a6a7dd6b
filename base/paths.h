// File paths as text: trailing backslashes (aware of DBCS lead bytes),
// names and folders.
#pragma once

#include <string>

namespace rv {

using LeadBytePredicate = bool (*)(unsigned char);
std::string WithBackslash(const std::string& path, bool add, const LeadBytePredicate& isLeadByte);
std::string WithoutBackslash(const std::string& path, const LeadBytePredicate& isLeadByte);
std::string FileNameOf(const std::string& path);
std::string FolderOf(const std::string& path);
// The file name with everything from its first "." removed: Setup.exe.001
// gives Setup.
std::string NameWithoutExtensions(const std::string& path);

}  // namespace rv
