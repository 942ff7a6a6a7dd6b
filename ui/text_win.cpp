#include "ui/text_win.h"

#include <shellapi.h>

#include "env/handle.h"

namespace rv {

namespace {

constexpr DWORD kValueBufferSize = 10241;
constexpr DWORD kNameBufferSize = 256;
constexpr int kWindowTextSize = 1024;

std::string Folder(UINT (*get)(char*, UINT), bool withBackslash) {
    char buffer[256];
    const UINT n = get(buffer, sizeof buffer);
    return WithBackslash(n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string(), withBackslash);
}

UINT GetTempFolder(char* buffer, UINT size) { return GetTempPathA(size, buffer); }
UINT GetWindowsFolder(char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }
UINT GetSystemFolder(char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }

}  // namespace

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

std::string WithBackslash(const std::string& path, bool add) { return WithBackslash(path, add, IsLeadByte); }

std::string WithoutBackslash(const std::string& path) { return WithoutBackslash(path, IsLeadByte); }

std::string ProgramFile() {
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string ProgramDir(bool withBackslash) { return WithBackslash(FolderOf(ProgramFile()), withBackslash); }
std::string WindowsDir(bool withBackslash) { return Folder(GetWindowsFolder, withBackslash); }
std::string SystemDir(bool withBackslash) { return Folder(GetSystemFolder, withBackslash); }
std::string TempDir(bool withBackslash) { return Folder(GetTempFolder, withBackslash); }

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

FARPROC LoadProc(const char* library, const char* procedure) {
    // The library stays loaded for the rest of the run, as every binding
    // made through it lives that long.
    HMODULE module = LoadLibraryA(library);
    return reinterpret_cast<UINT_PTR>(module) >= 33 ? GetProcAddress(module, procedure) : nullptr;
}

bool OpenWithShell(const std::string& file, const std::string& parameters, int show) {
    const HINSTANCE result =
        ShellExecuteA(GetDesktopWindow(), nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                      nullptr, show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string WindowText(HWND window) {
    if (!window) return std::string();
    char buffer[kWindowTextSize];
    const int n = GetWindowTextA(window, buffer, kWindowTextSize);
    return std::string(buffer, n > 0 ? n : 0);
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
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

std::string ProcessCommandLine() { return GetCommandLineA(); }

std::string CommandTail() { return CommandTailOf(ProcessCommandLine(), ProgramFile()); }
bool SwitchPresent(const std::string& name) { return SwitchPresentIn(CommandTail(), name); }
std::string SwitchValue(const std::string& name) { return SwitchValueIn(CommandTail(), name); }
long long SwitchNumber(const std::string& name, long long fallback) {
    return SwitchNumberIn(CommandTail(), name, fallback);
}

HKEY RegistryRoot(const std::string& name) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(RegistryRootOf(name))));
}

std::string ReadRegistryValue(const std::string& path, const std::string& valueName, const std::string& fallback) {
    const RegistryPath split = SplitRegistryPath(path);
    const HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(split.root)));
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

std::string IniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& fallback) {
    std::string buffer(kValueBufferSize, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), &buffer[0],
                                             kValueBufferSize, file.c_str());
    buffer.resize(n);
    return buffer;
}

long long IniReadNumber(const std::string& file, const std::string& section, const std::string& key,
                        long long fallback) {
    return ToInt64(IniRead(file, section, key, ""), fallback);
}

bool IniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

bool IniWriteNumber(const std::string& file, const std::string& section, const std::string& key, long long value) {
    return IniWrite(file, section, key, IntText(value));
}

int PointsToPixels(int points) {
    static const int dotsPerInch = [] {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return dpi;
    }();
    return MulDiv(points, dotsPerInch, 72);
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void PumpMessages(DWORD ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Sleep(ms);
}

void WaitPumping(DWORD ms, DWORD step) {
    if (step == 0) step = static_cast<DWORD>(EnsureRange(ms / 10, 1, 25));
    const DWORD start = GetTickCount();
    do {
        PumpMessages(step);
    } while (GetTickCount() - start < ms);
}

DateTime LocalNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace rv
