#include <gtest/gtest.h>

#include "base/paths.h"
#include "base/paths_win.h"
#include "base/system_win.h"
#include "env/file_util_win.h"
#include "env/folders_win.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

using S = ShellFolder;

// Wine's prefix keeps the user under C:\users\<name>.
TEST(ShellFolderLookups, ThePrefixFolders) {
    const ShellFolders shell;
    const std::string user = shell.UserDir(false);
    EXPECT_TRUE(FolderExists(user)) << user;
    EXPECT_EQ(Lower(FolderOf(user)), "c:\\users\\");
    EXPECT_EQ(Lower(shell.DocumentsAndSettingsDir(false)), "c:\\users");
    EXPECT_EQ(Lower(shell.Dir(S::UserAppData, false)), Lower(user) + "\\appdata\\roaming");
    EXPECT_EQ(Lower(shell.Dir(S::UserLocalAppData, true)), Lower(user) + "\\appdata\\local\\");
    EXPECT_EQ(Lower(shell.Dir(S::AllUsersAppData, false)), "c:\\programdata");
    // The parent of C:\ProgramData: a drive root loses its backslash.
    EXPECT_EQ(Lower(shell.AllUsersDir(false)), "c:");
    EXPECT_TRUE(FolderExists(shell.Dir(S::MyDocuments, false)));
    EXPECT_TRUE(FolderExists(shell.Dir(S::AllUsersDocuments, false)));
    for (S folder : {S::UserStartMenu, S::AllUsersStartMenu, S::UserDesktop, S::AllUsersDesktop}) {
        const std::string f = shell.Dir(folder, false);
        EXPECT_TRUE(FolderExists(f)) << f;
    }
    EXPECT_EQ(Lower(ProgramFilesDir()), "c:\\program files");
    EXPECT_EQ(Lower(CommonFilesDir()), "c:\\program files\\common files");
    EXPECT_EQ(Lower(FontDir()), "c:\\windows\\fonts");
}

std::string Missing(int) { return std::string(); }

// Without the shell functions every row falls back to the Windows folder,
// since the prefix has no Profiles folder for its owner.
TEST(ShellFolderLookups, FallbacksWithoutTheShellFunctions) {
    const ShellFolders shell(ShellFolderApi{Missing, Missing});
    const std::string windows = WindowsDir(true);
    ASSERT_FALSE(FolderExists(windows + "Profiles\\" + RegisteredOwner()));
    EXPECT_EQ(shell.ProfilesDir(false), WindowsDir(false));
    EXPECT_EQ(shell.UserDir(false), WindowsDir(false));
    EXPECT_EQ(shell.DocumentsAndSettingsDir(true), windows);
    EXPECT_EQ(shell.AllUsersDir(false), WindowsDir(false));
    const struct {
        S folder;
        const char* name;
    } rows[] = {
        {S::UserAppData, "Application Data"},     {S::UserLocalAppData, "Application Data"},
        {S::AllUsersAppData, "Application Data"}, {S::MyDocuments, "My Documents"},
        {S::AllUsersDocuments, "Documents"},      {S::UserStartMenu, "Start Menu"},
        {S::AllUsersStartMenu, "Start Menu"},     {S::UserDesktop, "Desktop"},
        {S::AllUsersDesktop, "Desktop"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(shell.Dir(r.folder, false), windows + r.name) << r.name;
        EXPECT_EQ(shell.Dir(r.folder, true), windows + r.name + "\\") << r.name;
    }
}

TEST(SystemFolders, SixteenBitSystemAndSource) {
    // Wine's system folder is C:\windows\system32; C:\windows\system is
    // there only in some prefixes.
    const std::string system = WindowsDir(true) + "system";
    EXPECT_EQ(Lower(System16Dir()), FolderExists(system) ? "c:\\windows\\system" : "c:\\windows\\system32");
    EXPECT_EQ(SrcDir(true), ProgramDir(true));
}

TEST(OriginChild, ReportOrigin) {
    if (!test::IsChild()) GTEST_SKIP() << "runs as a child of Origin.FromTheSwitchOrTheProgram";
    ASSERT_TRUE(WriteFileData(EnvironmentValue("RV_REPORT"), OriginExe() + "\n" + OriginDir(), 0, false, nullptr));
}

TEST(Origin, FromTheSwitchOrTheProgram) {
    if (test::IsChild()) GTEST_SKIP();
    EXPECT_EQ(OriginExe(), ProgramFile());
    EXPECT_EQ(OriginDir(), ProgramDir(false));
    test::ScratchDir dir;
    const std::string report = dir.File("origin.txt");
    ASSERT_EQ(test::RunChild("OriginChild.ReportOrigin", "/OriginExe=\"D:\\Media\\Setup.exe\"", "RV_REPORT=" + report),
              0);
    EXPECT_EQ(ReadFilePart(report, 0, 0), "D:\\Media\\Setup.exe\nD:\\Media");
}

TEST(RunTimeFolderSlots, EmptyInTheStub) {
    RunTimeFolders folders;
    for (int n = 0; n <= 9; ++n) EXPECT_EQ(folders.Get(n), "") << n;
    EXPECT_TRUE(folders.TakeNotFound().empty());
}

}  // namespace
}  // namespace rv
