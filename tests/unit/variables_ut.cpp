#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "base/clock.h"
#include "base/paths.h"
#include "env/variables.h"

namespace rv {
namespace {

// Shift-JIS lead bytes.
bool ShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// A machine with fixed values that records what it was asked.
class FakeMachine : public VariableSource {
public:
    std::vector<std::string> asked;
    DateTime now{2026, 12, 10, 9, 5, 3};

    std::string LoggedUserName() override { return Ask("user", "jdoe"); }
    std::string RegisteredOwner() override { return Ask("owner", "John Doe"); }
    std::string RegisteredOrganization() override { return Ask("organization", "Acme"); }
    std::string ComputerName() override { return Ask("computer", "BOX7"); }
    std::string DomainName() override { return Ask("domain", "CORP"); }
    std::string EnteredValue(const std::string& key) override { return Ask("entered " + key, "{" + key + "}"); }
    DateTime Now() override {
        Ask("now", "");
        return now;
    }
    DateNames LocaleDateNames() override {
        Ask("names", "");
        DateNames names;
        const char* months[] = {"Januar", "Februar", "Maerz",     "April",   "Mai",      "Juni",
                                "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
        for (int m = 0; m < 12; ++m) names.months[m] = months[m];
        names.dateSeparator = ".";
        names.timeSeparator = ":";
        return names;
    }
    std::string Folder(SystemFolder folder) override {
        static const std::map<SystemFolder, std::string> folders = {
            {SystemFolder::Windows, "C:\\WINDOWS"},
            {SystemFolder::System, "C:\\WINDOWS\\system32"},
            {SystemFolder::System16, "C:\\WINDOWS\\system"},
            {SystemFolder::ProgramFiles, "C:\\Program Files"},
            {SystemFolder::Source, "C:\\Stub"},
            {SystemFolder::Origin, "E:\\Media"},
            {SystemFolder::Temp, "C:\\TEMP"},
            {SystemFolder::UserAppData, "C:\\users\\jdoe\\AppData\\Roaming"},
            {SystemFolder::AllUsersDesktop, "C:\\users\\Public\\Desktop"},
        };
        const auto it = folders.find(folder);
        return Ask("folder " + std::to_string(static_cast<int>(folder)),
                   it == folders.end() ? std::string() : it->second);
    }
    std::string RunTimeFolder(int n) override { return Ask("runtime " + std::to_string(n), ""); }
    std::string FullPath(const std::string& path) override { return Ask("full", "full(" + path + ")"); }
    LeadBytePredicate LeadBytes() override { return ShiftJisLead; }

private:
    std::string Ask(const std::string& what, const std::string& value) {
        asked.push_back(what);
        return value;
    }
};

VariableSlots AgentSlots() {
    VariableSlots slots;
    slots.installDir = "D:\\Prog";
    slots.commonDir = "D:\\Common";
    slots.auxDir = "D:\\Aux";
    slots.lastExitCode = -2;
    slots.userTable = "|<Port>=8080| <Mode> =full|<Dir>=<WinDir>|<Empty>=|";
    slots.serviceDirList = "|C:\\Svc\\a.exe|E:\\Other\\b.exe|";
    return slots;
}

ExpandOptions AllOn() {
    ExpandOptions options;
    options.separator = "\\";
    options.normalizeDots = options.useUserTable = options.expandFolders = true;
    return options;
}

std::string Expand(const std::string& text, const ExpandOptions& options = AllOn()) {
    FakeMachine machine;
    return ExpandVariablesWith(text, options, AgentSlots(), machine);
}

struct Case {
    const char* text;
    const char* expected;
};

void ExpectAll(const std::vector<Case>& cases, const ExpandOptions& options = AllOn()) {
    for (const Case& c : cases) EXPECT_EQ(Expand(c.text, options), c.expected) << c.text;
}

TEST(VariableExpansion, FolderRuleAndSeparator) {
    ExpectAll({
        {"<InstallDir>App.exe", "D:\\Prog\\App.exe"},
        {"<installdir>", "D:\\Prog"},
        {"<WinDir> /s", "C:\\WINDOWS /s"},
        {"|<InstallDir>|<WinDir>|", "|D:\\Prog|C:\\WINDOWS|"},
        {"\"<InstallDir>\"", "\"D:\\Prog\""},  // no backslash to escape the closing quote
        {"<<WinDir><", "<C:\\WINDOWS\\<"},     // "<" and letters are no delimiters
        {"a<WinDir>a", "aC:\\WINDOWS\\a"},
        // The first occurrence decides for every occurrence.
        {"<InstallDir>App.exe <InstallDir>", "D:\\Prog\\App.exe D:\\Prog\\"},
        {"<InstallDir> <InstallDir>App.exe", "D:\\Prog D:\\ProgApp.exe"},
        {"<InstallCommonDir>x|<InstallAuxDir>", "D:\\Common\\x|D:\\Aux"},
        {"<SrcDir>a <OriginDir>b <TempDir>c <ProgramFilesDir>d",
         "C:\\Stub\\a E:\\Media\\b C:\\TEMP\\c C:\\Program Files\\d"},
        {"<WinSysDir>,<WinSys32Dir>,<WinSys16Dir>",
         "C:\\WINDOWS\\system32\\,C:\\WINDOWS\\system32\\,C:\\WINDOWS\\system"},
        {"<UserAppDataDir>Acme <AllUsersDesktopDir>",
         "C:\\users\\jdoe\\AppData\\Roaming\\Acme C:\\users\\Public\\Desktop"},
        {"<InstallDrive>x <WinDisk> <OriginDrive>", "D:\\x C: E:\\"},
        {"<FontDir>", ""},  // a folder the system does not have
        {"<Nope> <WinDir", "<Nope> <WinDir"},
    });
}

TEST(VariableExpansion, AbsoluteFoldersAndDoubledBackslashes) {
    ExpectAll({
        {"<Application Folder>\\<InstallDir>\\App.exe", "D:\\Prog\\App.exe"},
        {"<Windows Directory>\\<InstallDir>x", "C:\\WINDOWS\\x"},
        {"<AbsoluteDir>C:\\Tools\\x.exe", "C:\\Tools\\x.exe"},
        {"<InstallDir>\\\\App.exe", "D:\\Prog\\App.exe"},
        {"\\\\srv\\share\\<AbsoluteDir>\\x", "\\\\srv\\share\\x"},  // the network path keeps its "\\"
        {"|\\\\srv\\a|<InstallDir>\\b|", "|\\\\srv\\a|D:\\Prog\\b|"},
        // Nothing replaced: the text keeps its backslashes.
        {"C:\\a\\\\b <Nope>", "C:\\a\\\\b <Nope>"},
    });
}

TEST(VariableExpansion, RunTimeAndServiceFolders) {
    ExpectAll({
        {"<RunTimeDir_3>", ""},
        {"<RunTimeDir_3>x", "\\x"},
        {"<RunTimeDir_10>", "<RunTimeDir_10>"},
        {"<ServiceDir>b.exe", "E:\\Other\\b.exe"},  // the listed service that is there
        {"<ServiceDir>a.exe", "C:\\Svc\\a.exe"},
        {"<ServiceDir>c.exe", "C:\\Stub\\c.exe"},  // none listed: the running program's folder
    });
}

TEST(VariableExpansion, IdentityDateAndEnteredValues) {
    ExpectAll({
        {"<LoggedUserName>@<ComputerName>.<CurrentDomainName>", "jdoe@BOX7.CORP"},
        {"<UserName>, <COMPANYNAME>", "John Doe, Acme"},
        {"<LastExecutableExitCode>", "-2"},
        {"<EnteredUserName>/<ProjectName>/<ProgramVersion>", "{UserName}/{ProjectName}/{ProgramVersion}"},
        {"<UnInstallExePath>", "{UnInstallExePath}"},
        {"log <Date=6>.txt", "log 2026-12-10.txt"},
        {"<Date=#>", "10.Dezember.2026"},
        {"<date=7>", "2026-12-10 09:05:03"},
        {"<Date=6><Date=1>", "2026-12-10<Date=1>"},  // only the first
        {"<Date=9> <WinDir>", "<Date=9> C:\\WINDOWS"},
        {"<Date=6x>", "<Date=6x>"},
        {"<Date=6", "<Date=6"},
    });
}

TEST(VariableExpansion, UserTable) {
    ExpectAll({
        {"<port>/<Mode>/<Missing>", "8080/full/<Missing>"},
        {"<Dir>x", "C:\\WINDOWS\\x"},  // a value is open to the later steps
        {"<Empty>!", "!"},
        {"<a<Port>", "<a8080"},
    });
    ExpandOptions withoutTable = AllOn();
    withoutTable.useUserTable = false;
    ExpectAll({{"<Port>", "<Port>"}}, withoutTable);
    EXPECT_EQ(UserTableValue("|<Port>=8080|", "Port"), "8080");
    EXPECT_EQ(UserTableValue("||", "<Port>"), "<Port>");
}

TEST(VariableExpansion, OptionsSwitchStepsOff) {
    ExpandOptions identityOnly = AllOn();
    identityOnly.expandFolders = false;
    ExpectAll({{"<WinDir>\\<UserName>", "<WinDir>\\John Doe"}, {"<UnInstallExePath>", "<UnInstallExePath>"}},
              identityOnly);
    ExpandOptions other = AllOn();
    other.separator = "/";
    ExpectAll({{"<InstallDir>x", "D:\\Prog/x"}}, other);
}

TEST(VariableExpansion, DotsBecomeFullPaths) {
    ExpectAll({
        {"C:\\a\\..\\b", "full(C:\\a\\..\\b)"},  // no "<": only this step
        {"<InstallDir>..\\Shared", "full(D:\\Prog\\..\\Shared)"},
        {"|C:\\a\\..\\b|C:\\c||..\\d|", "|full(C:\\a\\..\\b)|C:\\c||full(..\\d)|"},
        {",x..\\y,", ",full(x..\\y),"},
        {"C:\\a..b", "C:\\a..b"},
    });
    ExpandOptions keepDots = AllOn();
    keepDots.normalizeDots = false;
    ExpectAll({{"C:\\a\\..\\b", "C:\\a\\..\\b"}}, keepDots);
}

// Values are asked for only when their variable occurs.
TEST(VariableExpansion, AsksOnlyForWhatOccurs) {
    const struct {
        const char* text;
        std::vector<std::string> asked;
    } cases[] = {
        {"plain text", {}},
        {"<WinDir>", {"folder 0"}},
        {"<Date=6>", {"now", "names"}},
        {"<RunTimeDir_2><RunTimeDir_5>", {"runtime 2", "runtime 5"}},
        {"<InstallDir> <UserName>", {"owner"}},
    };
    for (const auto& c : cases) {
        FakeMachine machine;
        ExpandVariablesWith(c.text, AllOn(), AgentSlots(), machine);
        EXPECT_EQ(machine.asked, c.asked) << c.text;
    }
}

TEST(DateVariable, Codes) {
    DateNames names;
    names.months[0] = "January";
    const DateTime jan2{2000, 1, 2, 12, 0, 0};
    const DateTime late{2031, 1, 7, 23, 59, 58};
    const struct {
        char code;
        DateTime now;
        const char* expected;
    } cases[] = {
        {'0', jan2, "1"},
        {'0', DateTime{1999, 12, 31, 12, 0, 0}, "0"},  // truncated toward zero
        {'0', DateTime{2026, 12, 10, 0, 0, 0}, "9840"},
        {'#', late, "07/January/2031"},
        {'1', late, "07-01-31"},
        {'2', late, "01-07-31"},
        {'3', late, "31-01-07"},
        {'4', late, "07-01-2031"},
        {'5', late, "01-07-2031"},
        {'6', late, "2031-01-07"},
        {'7', late, "2031-01-07 23:59:58"},
    };
    for (const auto& c : cases) EXPECT_EQ(DateVariableText(c.code, c.now, names).value_or("?"), c.expected) << c.code;
    EXPECT_FALSE(DateVariableText('8', late, names));
    EXPECT_FALSE(DateVariableText('>', late, names));
}

TEST(Backslashes, CollapseKeepsNetworkPathsAndDoubleByteCharacters) {
    const Case cases[] = {
        {"C:\\\\a\\\\\\b", "C:\\a\\b"},
        {"\\\\srv\\\\x", "\\\\srv\\x"},
        {"\\\\\\srv", "\\\\srv"},
        {"|\\\\a|b\\\\c|", "|\\\\a|b\\c|"},
        {"a\\\\b|", "a\\b|"},  // not a list: its ends differ
        // 0x95 0x5C is one character; the backslash after it stands alone.
        {"C:\\\x95\\\\x", "C:\\\x95\\\\x"},
        {"C:\\\x95\\\\\\x", "C:\\\x95\\\\x"},
        {"\x95", "\x95"},
    };
    for (const Case& c : cases) EXPECT_EQ(CollapseBackslashes(c.text, ShiftJisLead), c.expected) << c.text;
}

}  // namespace
}  // namespace rv
