#include "base/registry_win.h"

#include "base/handle_win.h"

namespace rv {

namespace {

constexpr DWORD kValueBufferSize = 10241;

// The predefined keys are sign-extended 32-bit values on 64-bit Windows.
HKEY RootKey(uint32_t root) { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root))); }

}  // namespace

HKEY RegistryRoot(const std::string& name) { return RootKey(RegistryRootOf(name)); }

std::string ReadRegistryValue(const std::string& path, const std::string& valueName, const std::string& fallback) {
    const RegistryPath split = SplitRegistryPath(path);
    const HKEY root = RootKey(split.root);
    RegKey key;
    if (RegOpenKeyExA(root, split.subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return fallback;
    std::string data(kValueBufferSize, '\0');
    DWORD type = 0, size = kValueBufferSize;
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
        return fallback;
    data.resize(size);
    return RegistryValueText(type, data);
}

}  // namespace rv
