#include <gtest/gtest.h>

#include "base/numbers.h"
#include "base/paths_win.h"
#include "base/system_win.h"
#include "format/package_writer.h"
#include "format/std_file.h"
#include "package/file_info.h"
#include "tests/win/win_test_util.h"
#include "ui/language_win.h"

namespace rv {
namespace {

const char kTurkishAndEnglish[] =
    "\x02\x01"
    "English\x01s0=Hello\x01"
    "s1=Extracting\x01\x02"
    "\x01"
    "turkish\x01s0=Merhaba\x01"
    "Charset=162\x01\x02";

// Run twice by CTest under Unix locales (LC_ALL), from which Wine takes the
// system locale of a process: RV_EXPECT names the language section the
// package reader must choose. Skipped in the plain run.
TEST(SystemLanguage, ChoiceFollowsTheSystemLocale) {
    const std::string expected = EnvironmentValue("RV_EXPECT");
    if (expected.empty()) GTEST_SKIP() << "needs RV_EXPECT and a locale";
    test::ScratchDir dir;
    PackageSettings s;
    s.stubImage = std::string(512, 'z');
    s.languageBlock = kTurkishAndEnglish;
    const std::string package = dir.File("Setup.exe");
    PackageWriter w(s, package);
    ASSERT_TRUE(w.Finish());
    LanguageChoice language;
    const TGFileInfo info(package, language);
    const TGFileInfo again(package, language);
    const std::string got = SystemLanguageName() + "|" + info.Text("s0") + "|" + info.Text("s1") + "|" +
                            IntText(info.Charset()) + "|" + again.Text("s0");
    EXPECT_EQ(got, expected);
}

TEST(LanguageIniFile, PathAndUnquotedValues) {
    const std::string ini = LanguageIniPath();
    EXPECT_EQ(ini, ProgramDir(true) + "HELP\\English\\Ravlin.language.ini");
    EXPECT_EQ(LanguageStringArg("RunTimeDir_01", "RunTimeDir(<?>)<P><P>Not Found!", "3"),
              "RunTimeDir(3)<P><P>Not Found!");
    const std::string help = ProgramDir(true) + "HELP";
    CreateDirectoryA(help.c_str(), nullptr);
    CreateDirectoryA((help + "\\English").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(ini, "[STRINGS]\r\nPadded=|  two blanks  |\r\nBar=|\r\nPlain=text <?>\r\n"));
    EXPECT_EQ(LanguageString("Padded", "def"), "  two blanks  ");
    EXPECT_EQ(LanguageString("Bar", "def"), "def");  // empty after unquoting: the default
    EXPECT_EQ(LanguageStringArg("Plain", "def", "7"), "text 7");
    EXPECT_EQ(LanguageString("Missing", "def"), "def");
    DeleteFileA(ini.c_str());
    RemoveDirectoryA((help + "\\English").c_str());
    RemoveDirectoryA(help.c_str());
}

}  // namespace
}  // namespace rv
