#include <gtest/gtest.h>

#include <cstdio>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/ini_win.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/paths_win.h"
#include "base/registry_win.h"
#include "base/switches_win.h"
#include "base/system_win.h"
#include "base/text.h"
#include "base/window_win.h"
#include "format/std_file.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

const char kTestKey[] = "Software\\RavlinTests\\TextUtilities";

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                                  nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    }
    void Set(const char* name, DWORD type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    RegKey key_;
};

TEST_F(RegistryFixture, ReadsEveryValueKindThroughTheRealRegistry) {
    Set("Text", REG_SZ, std::string("hello\0", 6));
    Set("Number", REG_DWORD, std::string("\xfe\xff\xff\xff", 4));
    Set("Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    Set("Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    const std::string path = std::string("HKCU\\") + kTestKey;
    EXPECT_EQ(ReadRegistryValue(path, "Text", "def"), "hello");
    EXPECT_EQ(ReadRegistryValue(path, "Number", "def"), "-2");
    EXPECT_EQ(ReadRegistryValue(path, "Multi", "def"), "a<0>b");
    EXPECT_EQ(ReadRegistryValue(path, "Expand", "def"), "%TEMP%\\x");
    EXPECT_EQ(ReadRegistryValue(kTestKey, "Text", "def"), "hello");  // no root: the current user
    EXPECT_EQ(ReadRegistryValue(path, "Missing", "def"), "def");
    EXPECT_EQ(ReadRegistryValue(path + "\\NoSuchKey", "Text", "def"), "def");
    EXPECT_EQ(RegistryRoot("hklm"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegistryRoot("nonsense"), HKEY_CURRENT_USER);
}

TEST(IniFiles, ReadWriteAndNumbers) {
    test::ScratchDir dir;
    const std::string ini = dir.File("settings.ini");
    EXPECT_EQ(IniRead(ini, "S", "k", "def"), "def");  // no file yet
    EXPECT_TRUE(IniWrite(ini, "S", "k", "value"));
    EXPECT_TRUE(IniWriteNumber(ini, "S", "n", -9000000000LL));
    EXPECT_EQ(IniRead(ini, "S", "k", "def"), "value");
    EXPECT_EQ(IniReadNumber(ini, "S", "n", 0), -9000000000LL);
    EXPECT_EQ(IniReadNumber(ini, "S", "k", 42), 42);  // not a number
    EXPECT_EQ(IniReadNumber(ini, "S", "missing", 42), 42);
    const std::string big(12000, 'x');
    EXPECT_TRUE(IniWrite(ini, "S", "big", big));
    EXPECT_EQ(IniRead(ini, "S", "big", "").size(), 10240u);  // the buffer holds 10 240 characters and a NUL
}

TEST(SystemPaths, FoldersHaveNoTrailingBackslashUnlessAsked) {
    for (const std::string& folder : {ProgramDir(false), WindowsDir(false), SystemDir(false), TempDir(false)}) {
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(folder.back(), '\\') << folder;
        EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    }
    EXPECT_EQ(TempDir(true), TempDir(false) + "\\");
    EXPECT_EQ(WithBackslash("C:\\", true), "C:\\");
    EXPECT_TRUE(EndsWith(".exe", ProgramFile(), true));
}

TEST(SystemNames, UserComputerAndOwner) {
    EXPECT_FALSE(UserName().empty());
    EXPECT_FALSE(ComputerName().empty());
    EXPECT_TRUE(IsNT());
    EXPECT_EQ(CurrentVersionKey(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
}

TEST(SystemNames, RegisteredOwnerAndOrganizationAreTrimmed) {
    RegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                            KEY_READ | KEY_WRITE, key.put()),
              ERROR_SUCCESS);
    const std::string owner = ReadRegistryValue(CurrentVersionKey(), "RegisteredOwner", "<none>");
    const std::string organization = ReadRegistryValue(CurrentVersionKey(), "RegisteredOrganization", "<none>");
    const auto set = [&](const char* name, const std::string& value) {
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    };
    const auto restore = [&](const char* name, const std::string& value) {
        if (value == "<none>")
            RegDeleteValueA(key.get(), name);
        else
            set(name, value);
    };
    set("RegisteredOwner", "  Ada Lovelace ");
    set("RegisteredOrganization", " Analytical Engines  ");
    EXPECT_EQ(RegisteredOwner(), "Ada Lovelace");
    EXPECT_EQ(RegisteredOrganization(), "Analytical Engines");
    RegDeleteValueA(key.get(), "RegisteredOwner");
    RegDeleteValueA(key.get(), "RegisteredOrganization");
    EXPECT_EQ(RegisteredOwner(), UserName());  // missing: the user's name
    EXPECT_EQ(RegisteredOrganization(), "");
    restore("RegisteredOwner", owner);
    restore("RegisteredOrganization", organization);
}

TEST(SystemCalls, ProcsErrorsEnvironment) {
    EXPECT_NE(LoadProc("kernel32.dll", "GetTickCount"), nullptr);
    EXPECT_EQ(LoadProc("no_such_library_rv.dll", "X"), nullptr);
    EXPECT_EQ(LoadProc("kernel32.dll", "NoSuchProcedureRv"), nullptr);
    auto* tick = BindProc<decltype(GetTickCount)>("kernel32.dll", "GetTickCount");
    ASSERT_NE(tick, nullptr);
    EXPECT_GT(tick(), 0u);
    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::string text = LastErrorText();
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("Error Reading"), std::string::npos);
    SetEnvironmentVariableA("RV_TEST_VALUE", "abc");
    EXPECT_EQ(EnvironmentValue("RV_TEST_VALUE"), "abc");
    EXPECT_EQ(EnvironmentValue("RV_TEST_UNSET_VALUE"), "");
    EXPECT_EQ(WindowText(nullptr), "");
}

// The child writes what it read of its own command line into a file.
TEST(CommandLineChild, ReportSwitches) {
    if (!test::IsChild()) GTEST_SKIP() << "runs as a child of CommandLine.RealProcessSwitches";
    std::string report = CommandTail() + "\n" + SwitchValue("/OriginExe=") + "\n" + SwitchValue("/hide") + "\n" +
                         IntText(SwitchNumber("/STOP=", -1)) + "\n" + IntText(SwitchNumber("/TEST=", -1)) + "\n" +
                         BoolText(SwitchPresent("/HIDE"));
    ASSERT_TRUE(WriteWholeFile(EnvironmentValue("RV_REPORT"), report));
}

TEST(CommandLine, RealProcessSwitches) {
    if (test::IsChild()) GTEST_SKIP();
    test::ScratchDir dir;
    const std::string report = dir.File("report.txt");
    ASSERT_EQ(test::RunChild("CommandLineChild.ReportSwitches", "/OriginExe=\"C:\\My Dir\\a.exe\" /STOP=0 /hide",
                             "RV_REPORT=" + report),
              0);
    std::string got;
    ASSERT_TRUE(ReadWholeFile(report, got));
    EXPECT_EQ(got,
              "--gtest_filter=CommandLineChild.ReportSwitches /OriginExe=\"C:\\My Dir\\a.exe\" /STOP=0 /hide\n"
              "C:\\My Dir\\a.exe\nTRUE\n0\n-1\nTRUE");
}

LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    return DefWindowProcA(w, m, wp, lp);
}

TEST(Waiting, PumpingDispatchesWhileItWaits) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RvPumpTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("RvPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    int count = 0;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
    PostMessageA(window, WM_APP, 0, 0);
    PostMessageA(window, WM_APP, 0, 0);
    const DWORD start = GetTickCount();
    WaitPumping(200, 0);
    EXPECT_GE(GetTickCount() - start, 200u);
    EXPECT_EQ(count, 2);
    DestroyWindow(window);
}

TEST(Screen, PointsToPixelsFollowsTheScreenResolution) {
    const int dpi = GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSY);
    EXPECT_EQ(PointsToPixels(72), dpi);
    EXPECT_EQ(PointsToPixels(8), MulDiv(8, dpi, 72));
    const RECT area = WorkArea();
    EXPECT_GT(area.right - area.left, 0);
}

}  // namespace
}  // namespace rv
