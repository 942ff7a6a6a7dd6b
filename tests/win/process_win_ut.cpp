#include <gtest/gtest.h>

// The process interfaces need the base types of <windows.h> first.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/paths_win.h"
#include "base/text.h"
#include "base/window_win.h"
#include "format/std_file.h"
#include "proc/process_win.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

constexpr DWORD kStartTimeoutMs = 30000;

// A copy of the fixture program in a scratch folder, under a name no other
// test process uses, since all of them share one Wine server.
class FixtureFile {
public:
    explicit FixtureFile(const std::string& stem = "rvfix")
        : path_(dir_.File(stem + IntText(GetCurrentProcessId()) + " process test.exe")) {
        CopyFileA((ProgramDir(true) + "fixture_app.exe").c_str(), path_.c_str(), FALSE);
    }
    const std::string& path() const { return path_; }
    std::string name() const { return FileNameOf(path_); }
    std::string LogFile(int copy) const { return dir_.File("log" + IntText(copy) + ".txt"); }

private:
    test::ScratchDir dir_;
    std::string path_;
};

// One running copy of the fixture; ended at the end of the test whatever
// the test did to it.
class Fixture {
public:
    Fixture(const FixtureFile& file, const std::string& args, int copy = 0) : log_(file.LogFile(copy)) {
        std::string command = "\"" + file.path() + "\" /LOG=\"" + log_ + "\" " + args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(file.path().c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return;
        process_.reset(pi.hProcess);
        KernelHandle thread(pi.hThread);
        id_ = pi.dwProcessId;
        for (DWORD waited = 0; waited < kStartTimeoutMs && Log().find("ready") == std::string::npos; waited += 50)
            Sleep(50);
    }
    ~Fixture() {
        if (process_ && !Ended(0)) {
            TerminateProcess(process_.get(), 99);
            WaitForSingleObject(process_.get(), 10000);
        }
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    bool Ready() const { return Log().find("ready") != std::string::npos; }
    DWORD id() const { return id_; }
    bool Ended(DWORD waitMs) const { return WaitForSingleObject(process_.get(), waitMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    std::string Log() const {
        std::string text;
        ReadWholeFile(log_, text);
        return text;
    }

private:
    std::string log_;
    KernelHandle process_;
    DWORD id_ = 0;
};

// The order in which the system lists processes, read straight from it.
std::vector<DWORD> SystemOrder(ProcessApi api) {
    std::vector<DWORD> ids;
    if (api == ProcessApi::Psapi) {
        ids.resize(65536);
        DWORD bytes = 0;
        EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes);
        ids.resize(bytes / sizeof(DWORD));
        return ids;
    }
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        ids.push_back(entry.th32ProcessID);
    return ids;
}

std::string ShortFormOf(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return std::string(buffer, n < MAX_PATH ? n : 0);
}

const char* ApiName(ProcessApi api) { return api == ProcessApi::Psapi ? "Psapi" : "ToolHelp"; }

class ProcessSearch : public ::testing::TestWithParam<ProcessApi> {};

INSTANTIATE_TEST_SUITE_P(BothInterfaces, ProcessSearch, ::testing::Values(ProcessApi::Psapi, ProcessApi::ToolHelp),
                         [](const ::testing::TestParamInfo<ProcessApi>& p) { return ApiName(p.param); });

TEST_P(ProcessSearch, FindsARealProgramByPathNameAndShortForm) {
    const ProcessApi api = GetParam();
    const FixtureFile file;
    const Fixture app(file, "");
    ASSERT_TRUE(app.Ready());
    const std::string shortForm = ShortFormOf(file.path());
    ASSERT_FALSE(SameText(shortForm, file.path())) << shortForm;  // the name is long, so its 8.3 form differs

    EXPECT_EQ(FindProcessByPath(file.path(), true, api), app.id());
    EXPECT_EQ(FindProcessByPath("  " + UpperCase(file.path()) + " ", true, api), app.id());
    EXPECT_EQ(FindProcessByPath(shortForm, true, api), app.id());
    EXPECT_EQ(FindProcessByPath(file.name(), false, api), app.id());
    EXPECT_EQ(FindProcessByPath(file.name(), true, api), 0u);
    EXPECT_EQ(FindProcessByPath(FolderOf(file.path()) + "other.exe", false, api), 0u);
    EXPECT_EQ(FindProcessByPath("", false, api), 0u);
    EXPECT_TRUE(IsProcessRunning("\"" + file.path() + "\"", api));
    EXPECT_TRUE(IsProcessRunning(file.name(), api));  // the bare name is always allowed here
}

TEST_P(ProcessSearch, OfTwoCopiesTheOneListedLaterIsChosen) {
    const ProcessApi api = GetParam();
    const FixtureFile file;
    const Fixture first(file, "", 1), second(file, "", 2);
    ASSERT_TRUE(first.Ready() && second.Ready());
    const std::vector<DWORD> order = SystemOrder(api);
    const auto at = [&](DWORD id) { return std::find(order.begin(), order.end(), id) - order.begin(); };
    ASSERT_LT(at(first.id()), static_cast<long>(order.size()));
    ASSERT_LT(at(second.id()), static_cast<long>(order.size()));
    const DWORD later = at(first.id()) > at(second.id()) ? first.id() : second.id();
    EXPECT_EQ(FindProcessByPath(file.path(), true, api), later);
}

TEST_P(ProcessSearch, WaitReturnsOnceTheProgramHasEnded) {
    const ProcessApi api = GetParam();
    const FixtureFile file;
    const Fixture app(file, "/EXITAFTER=1500");
    ASSERT_TRUE(app.Ready());
    WaitForProcessEnd(file.path(), 0, api);  // no limit: only the end lets it return
    EXPECT_TRUE(app.Ended(0));
    EXPECT_EQ(app.ExitCode(), 4u);
    EXPECT_FALSE(IsProcessRunning(file.path(), api));
}

TEST_P(ProcessSearch, WaitGivesUpAtTheLimit) {
    const ProcessApi api = GetParam();
    const FixtureFile file;
    const Fixture app(file, "");
    ASSERT_TRUE(app.Ready());
    const DWORD start = GetTickCount();
    WaitForProcessEnd(file.path(), 1500, api);
    EXPECT_GE(GetTickCount() - start, 1500u);
    EXPECT_FALSE(app.Ended(0));
}

TEST_P(ProcessSearch, WaitForAProgramThatIsNotRunningReturns) {
    const ProcessApi api = GetParam();
    const FixtureFile file;
    ASSERT_FALSE(IsProcessRunning(file.path(), api));
    const DWORD start = GetTickCount();
    WaitForProcessEnd(file.path(), 0, api);  // no limit: only finding nothing to wait for lets it return
    const DWORD elapsed = GetTickCount() - start;
    // One poll of a second at least, even with nothing to wait for; a poll or
    // two at most, far below any limit the caller could have meant.
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LT(elapsed, 15000u);
}

TEST(MainWindow, AnOwnerOfDialogsBeatsAPlainWindow) {
    const FixtureFile file;
    const Fixture app(file, "/OWNED=2 /EXTRA");
    ASSERT_TRUE(app.Ready());
    const HWND main = FindMainWindow(file.path(), true);
    EXPECT_EQ(WindowText(main), "Fixture Main");
    const HWND first = FindWindowA("RvFixtureWindow", "Fixture Dialog 0");
    const HWND second = FindWindowA("RvFixtureWindow", "Fixture Dialog 1");
    ASSERT_TRUE(first && second);
    ASSERT_EQ(GetWindow(second, GW_OWNER), first);
    EXPECT_EQ(RootOwner(second), main);  // the end of the chain, not the next owner
    EXPECT_EQ(RootOwner(first), main);
    EXPECT_EQ(RootOwner(main), nullptr);
    EXPECT_EQ(FindMainWindow(FolderOf(file.path()) + "other.exe", false), nullptr);
}

TEST(MainWindow, AProgramWithOnlyAHiddenUntitledWindowHasNone) {
    const FixtureFile file;
    const Fixture app(file, "/HIDDEN");
    ASSERT_TRUE(app.Ready());
    EXPECT_EQ(FindProcessByPath(file.path(), true), app.id());
    EXPECT_EQ(FindMainWindow(file.path(), true), nullptr);
    EXPECT_FALSE(CloseProgram(file.path(), true));
    EXPECT_FALSE(QuitProgram(file.path(), true));
    EXPECT_FALSE(app.Ended(500));
    EXPECT_EQ(app.Log(), "ready\r\n");
}

struct Shutdown {
    const char* name;
    bool (*method)(const std::string&, bool);
    DWORD exitCode;
    const char* log;
};

void PrintTo(const Shutdown& shutdown, std::ostream* os) { *os << shutdown.name; }

class ShutdownMethod : public ::testing::TestWithParam<Shutdown> {};

INSTANTIATE_TEST_SUITE_P(EachMethod, ShutdownMethod,
                         ::testing::Values(Shutdown{"Close", CloseProgram, 3,
                                                    "ready\r\nWM_CLOSE 15 255\r\nWM_QUIT 3 0\r\n"},
                                           Shutdown{"Quit", QuitProgram, 15, "ready\r\nWM_QUIT 15 255\r\n"},
                                           Shutdown{"Terminate", TerminateProgram, 0, "ready\r\n"}),
                         [](const ::testing::TestParamInfo<Shutdown>& p) { return p.param.name; });

TEST_P(ShutdownMethod, EndsTheProgram) {
    const FixtureFile file;
    const Fixture app(file, "/OWNED=1");
    ASSERT_TRUE(app.Ready());
    ASSERT_TRUE(IsProcessRunning(file.path()));
    EXPECT_TRUE(GetParam().method(file.path(), true));
    WaitForProcessEnd(file.path(), 0);
    EXPECT_TRUE(app.Ended(0));
    EXPECT_FALSE(IsProcessRunning(file.path()));
    EXPECT_EQ(app.ExitCode(), GetParam().exitCode);
    EXPECT_EQ(app.Log(), GetParam().log);
    EXPECT_FALSE(GetParam().method(file.path(), true));  // nothing left to end
}

TEST(Shutdown, AProgramThatIgnoresCloseStillQuits) {
    const FixtureFile file;
    const Fixture app(file, "/IGNORECLOSE");
    ASSERT_TRUE(app.Ready());
    EXPECT_TRUE(CloseProgram(file.name(), false));
    WaitForProcessEnd(file.path(), 1500);
    EXPECT_FALSE(app.Ended(0));
    EXPECT_TRUE(QuitProgram(file.path(), true));
    WaitForProcessEnd(file.path(), 0);
    EXPECT_TRUE(app.Ended(0));
    EXPECT_EQ(app.Log(), "ready\r\nWM_CLOSE 15 255\r\nWM_QUIT 15 255\r\n");
}

TEST(Shutdown, PostProcessMessageReachesTheMainWindow) {
    const FixtureFile file;
    const Fixture app(file, "/IGNORECLOSE /OWNED=1");
    ASSERT_TRUE(app.Ready());
    EXPECT_TRUE(PostProcessMessage(file.path(), WM_CLOSE, 7, 9));
    EXPECT_FALSE(PostProcessMessage(FolderOf(file.path()) + "other.exe", WM_CLOSE, 7, 9));
    for (int i = 0; i < 100 && app.Log().find("WM_CLOSE") == std::string::npos; ++i) Sleep(50);
    EXPECT_EQ(app.Log(), "ready\r\nWM_CLOSE 7 9\r\n");
}

TEST(WindowWait, ReturnsWhenTheWindowIsGone) {
    const FixtureFile file;
    const Fixture app(file, "/EXITAFTER=1500");
    ASSERT_TRUE(app.Ready());
    ASSERT_TRUE(FindWindowA("RvFixtureWindow", "Fixture Main"));
    WaitWhileWindowExists("RvFixtureWindow", "Fixture Main");
    EXPECT_FALSE(FindWindowA("RvFixtureWindow", "Fixture Main"));
    EXPECT_TRUE(app.Ended(10000));
    WaitWhileWindowExists("RvFixtureWindow", "");  // none left: returns at once
    WaitWhileWindowExists("", "");
}

}  // namespace

// Names the parameter in the test list instead of dumping its bytes.
void PrintTo(ProcessApi api, std::ostream* os) { *os << ApiName(api); }

}  // namespace rv
