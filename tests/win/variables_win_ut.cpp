// The variables against the values of the Wine prefix, each read here
// through a call of its own.
#include <gtest/gtest.h>

// windows.h first: the other system headers rely on its definitions.
#include <windows.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "env/variables_win.h"

namespace rv {
namespace {

std::string Expand(const std::string& text) {
    RunVariables variables;
    return variables.Expand(text, "\\", true, true, true).text;
}

std::string Text(const char* buffer, DWORD n) { return std::string(buffer, n); }

std::string NoBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

TEST(VariablesOfThisMachine, FoldersAndNames) {
    char buffer[MAX_PATH];
    DWORD size = MAX_PATH;
    const std::string windows = Text(buffer, GetWindowsDirectoryA(buffer, MAX_PATH));
    const std::string system = Text(buffer, GetSystemDirectoryA(buffer, MAX_PATH));
    const std::string temp = NoBackslash(Text(buffer, GetTempPathA(MAX_PATH, buffer)));
    const std::string program = Text(buffer, GetModuleFileNameA(nullptr, buffer, MAX_PATH));
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, buffer), S_OK);
    const std::string appData = buffer;
    ASSERT_TRUE(GetComputerNameA(buffer, &size));
    const std::string computer = buffer;
    size = MAX_PATH;
    ASSERT_TRUE(GetUserNameA(buffer, &size));
    const std::string user = buffer;
    const struct {
        std::string text, expected;
    } cases[] = {
        {"<WinDir>", windows},
        {"<WINDIR>\\notepad.exe", windows + "\\notepad.exe"},
        {"<WinSysDir>kernel32.dll", system + "\\kernel32.dll"},
        {"<WinDrive>", windows.substr(0, 3)},
        {"<TempDir>", temp},
        {"<UserAppDataDir>Acme", appData + "\\Acme"},
        {"<SrcDir>", program.substr(0, program.rfind('\\'))},
        {"<ComputerName>", computer},
        {"<LoggedUserName>", user},
        {"|<WinDir>|<TempDir>|", "|" + windows + "|" + temp + "|"},
    };
    for (const auto& c : cases) EXPECT_EQ(Expand(c.text), c.expected) << c.text;
}

TEST(VariablesOfThisMachine, TodayInTheUserLocale) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    char iso[16];
    wsprintfA(iso, "%04d-%02d-%02d", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(Expand("<Date=6>"), iso);
    char month[80];
    ASSERT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, 0, &today, "MMMM", month, sizeof month), 0);
    EXPECT_NE(Expand("<Date=#>").find(month), std::string::npos) << Expand("<Date=#>");
    EXPECT_EQ(Expand("<Date=9>"), "<Date=9>");
}

TEST(VariablesOfThisMachine, InstallFoldersHandedIn) {
    RunVariables variables;
    variables.SetInstallFolders("C:\\Prog\\Acme", "C:\\Common", "C:\\Aux");
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"<InstallDir>App.exe", "C:\\Prog\\Acme\\App.exe"},
        {"<InstallDir>", "C:\\Prog\\Acme"},
        {"<InstallDir>..\\Tools\\t.exe", "C:\\Prog\\Tools\\t.exe"},  // made absolute by the system
        {"<InstallDrive>Data <InstallCommonDir>x <InstallAuxDir>", "C:\\Data C:\\Common\\x C:\\Aux"},
        {"<Application Folder>\\<InstallDir>\\App.exe", "C:\\Prog\\Acme\\App.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(variables.Expand(c.text, "\\", true, true, true).text, c.expected) << c.text;
}

// A run-time folder that is not found, with its definition asking to tell
// the user, comes back to the caller by name: env shows no box. The folder
// is resolved once for the run, and so named once.
TEST(VariablesOfThisMachine, RunTimeFoldersNotFoundComeBackByName) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\RvNoSuchVendor\\Path";
    RunVariables variables;
    variables.runTimeFolders().Define(3, "|0||1|" + key + "|0||0|0|0||0|0|0||||1|0|0|0|");
    variables.runTimeFolders().Define(4, "|0||1|" + key + "|0||0|0|0||0|0|0||||0|0|0|0|");
    EXPECT_EQ(variables.Expand("<RunTimeDir_4>", "\\", false, false, true).foldersNotFound, std::vector<std::string>());
    const Expansion first = variables.Expand("<RunTimeDir_3>a.exe", "\\", false, false, true);
    EXPECT_EQ(first.foldersNotFound, std::vector<std::string>{key});
    EXPECT_EQ(variables.Expand("<RunTimeDir_3>b.exe", "\\", false, false, true).foldersNotFound,
              std::vector<std::string>());
    EXPECT_EQ(variables.Expand("<WinDir>", "\\", false, false, true).foldersNotFound, std::vector<std::string>());
}

}  // namespace
}  // namespace rv
