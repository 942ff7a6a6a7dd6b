// INI files through the system's profile functions.
#pragma once

#include <windows.h>

#include <string>

namespace rv {

std::string IniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& fallback);
long long IniReadNumber(const std::string& file, const std::string& section, const std::string& key,
                        long long fallback);
bool IniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value);
bool IniWriteNumber(const std::string& file, const std::string& section, const std::string& key, long long value);

}  // namespace rv
