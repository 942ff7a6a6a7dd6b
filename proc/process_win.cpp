#include "proc/process_win.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/paths.h"
#include "base/system_win.h"
#include "base/text.h"
#include "base/window_win.h"
#include "proc/process.h"

namespace rv {

namespace {

constexpr DWORD kPollMs = 1000;
constexpr DWORD kWindowPollMs = 100;
constexpr WPARAM kShutdownWParam = 15;
constexpr LPARAM kShutdownLParam = 255;
// The longest path the system's wide calls accept, in characters.
constexpr DWORD kLongPathChars = 32768;

// Each bound once, on first use, for the rest of the run.
struct PsapiCalls {
    decltype(&::EnumProcesses) enumProcesses;
    decltype(&::EnumProcessModules) enumProcessModules;
    decltype(&::GetModuleFileNameExA) moduleFileName;
    decltype(&::GetModuleBaseNameA) moduleBaseName;
    bool Bound() const { return enumProcesses && enumProcessModules && moduleFileName && moduleBaseName; }
};

const PsapiCalls& Psapi() {
    static const PsapiCalls calls{
        BindProc<decltype(::EnumProcesses)>("PSAPI.dll", "EnumProcesses"),
        BindProc<decltype(::EnumProcessModules)>("PSAPI.dll", "EnumProcessModules"),
        BindProc<decltype(::GetModuleFileNameExA)>("PSAPI.dll", "GetModuleFileNameExA"),
        BindProc<decltype(::GetModuleBaseNameA)>("PSAPI.dll", "GetModuleBaseNameA"),
    };
    return calls;
}

struct ToolHelpCalls {
    decltype(&::CreateToolhelp32Snapshot) createSnapshot;
    decltype(&::Process32First) firstProcess;
    decltype(&::Process32Next) nextProcess;
    decltype(&::Module32First) firstModule;
    bool Bound() const { return createSnapshot && firstProcess && nextProcess && firstModule; }
};

const ToolHelpCalls& ToolHelp() {
    static const ToolHelpCalls calls{
        BindProc<decltype(::CreateToolhelp32Snapshot)>("kernel32.dll", "CreateToolhelp32Snapshot"),
        BindProc<decltype(::Process32First)>("kernel32.dll", "Process32First"),
        BindProc<decltype(::Process32Next)>("kernel32.dll", "Process32Next"),
        BindProc<decltype(::Module32First)>("kernel32.dll", "Module32First"),
    };
    return calls;
}

// Where the system offers it (Vista and later), the full image name of any
// process the caller may query, whatever its word size. The module walks
// below fail on a 64-bit process when the caller is a 32-bit one.
decltype(&::QueryFullProcessImageNameA) QueryImageName() {
    static const auto call =
        BindProc<decltype(::QueryFullProcessImageNameA)>("kernel32.dll", "QueryFullProcessImageNameA");
    return call;
}

// Empty when the call is missing or the process cannot be queried.
std::string FullImageName(DWORD id) {
    const auto query = QueryImageName();
    if (!query) return std::string();
    const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    std::string path(kLongPathChars, '\0');
    DWORD length = kLongPathChars;
    if (!process || !query(process.get(), 0, &path[0], &length)) return std::string();
    path.resize(length);
    return path;
}

enum class Lister { None, Psapi, ToolHelp };

Lister ListerFor(ProcessApi api) {
    const bool psapi = Psapi().Bound(), toolHelp = ToolHelp().Bound();
    switch (api) {
        case ProcessApi::Psapi: return psapi ? Lister::Psapi : Lister::None;
        case ProcessApi::ToolHelp: return toolHelp ? Lister::ToolHelp : Lister::None;
        case ProcessApi::Platform: break;
    }
    if (psapi && IsNT()) return Lister::Psapi;
    return toolHelp ? Lister::ToolHelp : Lister::None;
}

// A process as listed: ToolHelp32 also gives its file field.
struct ListedProcess {
    DWORD id;
    std::string exeFile;
};

std::vector<ListedProcess> PsapiProcesses() {
    std::vector<DWORD> ids;
    DWORD returned = 0;
    for (size_t bytes = kIdBufferStep; bytes != 0; bytes = NextIdBufferSize(bytes, returned)) {
        ids.resize(bytes / sizeof(DWORD));
        if (!Psapi().enumProcesses(ids.data(), static_cast<DWORD>(bytes), &returned)) return {};
    }
    std::vector<ListedProcess> list;
    for (size_t i = 0; i < returned / sizeof(DWORD); ++i) list.push_back({ids[i], std::string()});
    return list;
}

// The walk uses the ANSI entry, 296 bytes on i686; the wide one would
// silently change every path field.
static_assert(sizeof(void*) != 4 || sizeof(PROCESSENTRY32) == 296, "ANSI process entry expected");

std::vector<ListedProcess> ToolHelpProcesses() {
    const ToolHelpCalls& th = ToolHelp();
    const KernelHandle snapshot(th.createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return {};
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::vector<ListedProcess> list;
    for (BOOL more = th.firstProcess(snapshot.get(), &entry); more; more = th.nextProcess(snapshot.get(), &entry))
        list.push_back({entry.th32ProcessID, entry.szExeFile});
    return list;
}

std::vector<ListedProcess> ListProcesses(Lister lister) {
    switch (lister) {
        case Lister::Psapi: return PsapiProcesses();
        case Lister::ToolHelp: return ToolHelpProcesses();
        case Lister::None: break;
    }
    return {};
}

// A bare name would be resolved against the current folder, which says
// nothing about the process, so only full paths get a short form.
std::string ShortForm(const std::string& path) {
    if (FolderOf(path).empty()) return std::string();
    char buffer[MAX_PATH];
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string Text(const char* buffer, DWORD length) { return std::string(buffer, length < MAX_PATH ? length : 0); }

ProcessImage ImageFromPath(const std::string& path) { return {path, FileNameOf(path), ShortForm(path)}; }

// A process that cannot be opened gives an empty image, which matches nothing.
ProcessImage PsapiImage(DWORD id) {
    const std::string full = FullImageName(id);
    if (!full.empty()) return ImageFromPath(full);
    const PsapiCalls& ps = Psapi();
    const KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (!process || !ps.enumProcessModules(process.get(), &first, sizeof first, &needed)) return {};
    char path[MAX_PATH], name[MAX_PATH];
    const std::string modulePath = Text(path, ps.moduleFileName(process.get(), first, path, MAX_PATH));
    return {modulePath, Text(name, ps.moduleBaseName(process.get(), first, name, MAX_PATH)), ShortForm(modulePath)};
}

std::string FirstModulePath(DWORD id) {
    const ToolHelpCalls& th = ToolHelp();
    const KernelHandle snapshot(th.createSnapshot(TH32CS_SNAPMODULE, id));
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    return snapshot && th.firstModule(snapshot.get(), &module) ? std::string(module.szExePath) : std::string();
}

// Windows 9x put the full path in the file field; the NT family only the
// bare name, and there the process's first module tells the path.
ProcessImage ToolHelpImage(const ListedProcess& process) {
    std::string path = process.exeFile;
    if (FolderOf(path).empty()) {
        std::string full = FullImageName(process.id);
        if (full.empty()) full = FirstModulePath(process.id);
        if (!full.empty()) path = full;
    }
    return ImageFromPath(path);
}

ProcessImage ImageOf(Lister lister, const ListedProcess& process) {
    return lister == Lister::Psapi ? PsapiImage(process.id) : ToolHelpImage(process);
}

DWORD FindListed(Lister lister, const std::string& path, bool noNameMatch) {
    if (Trim(path).empty()) return 0;
    const PathQuery query{path, ShortForm(Trim(path))};
    const std::vector<ListedProcess> list = ListProcesses(lister);
    // Of two copies of a program the one listed later is taken.
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (ImageMatches(query, ImageOf(lister, *it), noNameMatch)) return it->id;
    return 0;
}

bool IdListed(DWORD id) {
    const std::vector<ListedProcess> list = PsapiProcesses();
    return std::any_of(list.begin(), list.end(), [id](const ListedProcess& p) { return p.id == id; });
}

// PSAPI follows the process id found when the wait began; ToolHelp32 looks
// the path up again on every pass.
bool StillRunning(Lister lister, DWORD id, const std::string& file) {
    return lister == Lister::Psapi ? IdListed(id) : FindListed(lister, file, false) != 0;
}

std::string ClassOf(HWND window) {
    char name[256];
    const int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? n : 0);
}

std::string Unquoted(const std::string& path) { return Unquote(Trim(path), '"'); }

// The top-level windows of one process, in enumeration order, and the
// choice of its main window among them.
class TAnalizer {
public:
    explicit TAnalizer(DWORD processId) : processId_(processId) {}

    HWND MainWindow() {
        EnumWindows(&TAnalizer::Collect, reinterpret_cast<LPARAM>(this));
        std::vector<WindowFacts> facts;
        facts.reserve(windows_.size());
        for (HWND window : windows_)
            facts.push_back(
                {IndexOf(RootOwner(window)), !WindowText(window).empty(), IsWindowVisible(window) != FALSE});
        const int main = ChooseMainWindow(ScoreWindows(facts));
        return main < 0 ? nullptr : windows_[main];
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) {
        TAnalizer& analizer = *reinterpret_cast<TAnalizer*>(self);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == analizer.processId_ && !IsImeWindowClass(ClassOf(window))) analizer.windows_.push_back(window);
        return analizer.windows_.size() < kMaxProcessWindows;
    }

    int IndexOf(HWND window) const {
        const auto at = std::find(windows_.begin(), windows_.end(), window);
        return window && at != windows_.end() ? static_cast<int>(at - windows_.begin()) : -1;
    }

    DWORD processId_;
    std::vector<HWND> windows_;
};

bool PostToMainWindow(const std::string& path, bool noNameMatch, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = FindMainWindow(path, noNameMatch);
    return window && PostMessageA(window, message, wParam, lParam);
}

const char* AnyIfEmpty(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

DWORD FindProcessByPath(const std::string& path, bool noNameMatch, ProcessApi api) {
    return FindListed(ListerFor(api), path, noNameMatch);
}

bool IsProcessRunning(const std::string& path, ProcessApi api) {
    return FindProcessByPath(Unquoted(path), false, api) != 0;
}

void WaitForProcessEnd(const std::string& path, int limitMs, ProcessApi api) {
    const std::string file = Unquoted(path);
    const DWORD start = GetTickCount();
    WaitPumping(kPollMs, 0);
    const Lister lister = ListerFor(api);
    const DWORD id = lister == Lister::Psapi ? FindListed(lister, file, false) : 0;
    if (lister == Lister::None || (lister == Lister::Psapi && id == 0)) return;
    do {
        WaitPumping(kPollMs, 0);
    } while (!LimitPassed(start, limitMs, GetTickCount()) && StillRunning(lister, id, file));
}

HWND FindMainWindow(const std::string& path, bool noNameMatch) {
    const DWORD id = FindProcessByPath(path, noNameMatch);
    return id ? TAnalizer(id).MainWindow() : nullptr;
}

HWND RootOwner(HWND window) {
    HWND root = nullptr;
    for (HWND owner = GetWindow(window, GW_OWNER); owner; owner = GetWindow(owner, GW_OWNER)) root = owner;
    return root;
}

bool PostProcessMessage(const std::string& path, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostToMainWindow(path, false, message, wParam, lParam);
}

bool CloseProgram(const std::string& path, bool noNameMatch) {
    return PostToMainWindow(path, noNameMatch, WM_CLOSE, kShutdownWParam, kShutdownLParam);
}

bool QuitProgram(const std::string& path, bool noNameMatch) {
    return PostToMainWindow(path, noNameMatch, WM_QUIT, kShutdownWParam, kShutdownLParam);
}

bool TerminateProgram(const std::string& path, bool noNameMatch) {
    const DWORD id = FindProcessByPath(path, noNameMatch);
    if (id == 0) return false;
    const KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
    return process && TerminateProcess(process.get(), 0);
}

void WaitWhileWindowExists(const std::string& className, const std::string& title) {
    if (className.empty() && title.empty()) return;
    while (FindWindowA(AnyIfEmpty(className), AnyIfEmpty(title))) PumpMessages(kWindowPollMs);
}

}  // namespace rv
