#include "base/system_win.h"

#include <shellapi.h>

#include "base/registry_win.h"
#include "base/text.h"

namespace rv {

namespace {

constexpr DWORD kNameBufferSize = 256;

}  // namespace

bool IsNT() {
    // GetVersionEx is deprecated, but it is the call that answers the
    // platform question on every Windows the stub runs on.
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string EnvironmentValue(const std::string& name) {
    const DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (needed == 0) return std::string();
    std::string value(needed, '\0');
    const DWORD n = GetEnvironmentVariableA(name.c_str(), &value[0], needed);
    value.resize(n < needed ? n : 0);
    return value;
}

bool DiagnosticMode() {
    static const bool on = EnvironmentValue("DVX") == "911";
    return on;
}

bool OpenWithShell(const std::string& file, const std::string& parameters, int show) {
    const HINSTANCE result = ShellExecuteA(GetDesktopWindow(), nullptr, file.c_str(),
                                           parameters.empty() ? nullptr : parameters.c_str(), nullptr, show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (n == 0 || !text) return "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"";
    std::string message = Trim(std::string(text, n));
    LocalFree(text);
    return message;
}

std::string UserName() {
    char buffer[kNameBufferSize];
    DWORD size = kNameBufferSize;
    return GetUserNameA(buffer, &size) ? Trim(buffer) : std::string();
}

std::string ComputerName() {
    char buffer[kNameBufferSize];
    DWORD size = kNameBufferSize;
    return GetComputerNameA(buffer, &size) ? Trim(buffer) : std::string();
}

std::string UserDomain() {
    const std::string user = UserName();
    if (user.empty()) return std::string();
    DWORD sidSize = 0, domainSize = 0;
    SID_NAME_USE use;
    LookupAccountNameA(nullptr, user.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
    if (sidSize == 0 || domainSize == 0) return std::string();
    std::string sid(sidSize, '\0'), domain(domainSize, '\0');
    if (!LookupAccountNameA(nullptr, user.c_str(), &sid[0], &sidSize, &domain[0], &domainSize, &use))
        return std::string();
    return std::string(domain.c_str());
}

std::string CurrentVersionKey() {
    return IsNT() ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                  : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
}

std::string RegisteredOwner() { return Trim(ReadRegistryValue(CurrentVersionKey(), "RegisteredOwner", UserName())); }

std::string RegisteredOrganization() {
    return Trim(ReadRegistryValue(CurrentVersionKey(), "RegisteredOrganization", ""));
}

}  // namespace rv
