#include "base/registry.h"

#include "base/numbers.h"
#include "base/text.h"

namespace rv {

uint32_t RegistryRootOf(const std::string& name) {
    static const struct {
        const char* longName;
        const char* shortName;
        uint32_t root;
    } kRoots[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", 0x80000000},   {"HKEY_CURRENT_USER", "HKCU", 0x80000001},
        {"HKEY_LOCAL_MACHINE", "HKLM", 0x80000002},  {"HKEY_USERS", "HKU", 0x80000003},
        {"HKEY_CURRENT_CONFIG", "HKCC", 0x80000005}, {"HKEY_DYN_DATA", "HKDD", 0x80000006},
    };
    const std::string upper = UpperCase(Trim(name));
    for (const auto& r : kRoots)
        if (upper == r.longName || upper == r.shortName) return r.root;
    return kHkeyCurrentUser;
}

RegistryPath SplitRegistryPath(const std::string& path) {
    const std::string p = Trim(path);
    if (!StartsWith("HK", p, true)) return {kHkeyCurrentUser, p};
    const size_t slash = p.find('\\');
    if (slash == std::string::npos) return {RegistryRootOf(p), std::string()};
    return {RegistryRootOf(p.substr(0, slash)), p.substr(slash + 1)};
}

std::string RegistryValueText(uint32_t type, const std::string& data) {
    const uint32_t kDword = 4, kMultiString = 7;
    if (type == kDword && data.size() == 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(data.data());
        const uint32_t u = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
        return IntText(static_cast<int32_t>(u));
    }
    if (type == kMultiString && data.size() > 2) {
        std::string s = data;
        while (!s.empty() && s.back() == '\0') s.pop_back();
        return ReplaceAll(s, std::string(1, '\0'), "<0>", false);
    }
    return data.substr(0, data.find('\0'));
}

}  // namespace rv
