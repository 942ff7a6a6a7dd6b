// Registry paths and values as text, portable: the Win32 reads are in
// registry_win.
#pragma once

#include <cstdint>
#include <string>

namespace rv {

struct RegistryPath {
    uint32_t root;
    std::string subkey;
};
constexpr uint32_t kHkeyCurrentUser = 0x80000001;
uint32_t RegistryRootOf(const std::string& name);
RegistryPath SplitRegistryPath(const std::string& path);
// The text of a registry value as the stub reports it: a DWORD as signed
// decimal, a multi-string with "<0>" between its strings, anything else up
// to its first NUL.
std::string RegistryValueText(uint32_t type, const std::string& data);

}  // namespace rv
