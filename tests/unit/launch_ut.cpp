#include <gtest/gtest.h>

#include "package/launch.h"

namespace rv {
namespace {

TEST(Launch, SetupCommandLines) {
    const struct {
        const char* name;
        const char* parameters;
        const char* tail;
        bool agent;
        const char* program;
        const char* arguments;
    } cases[] = {
        {"setup.exe", "", "", false, "C:\\T\\S\\setup.exe", "/TH_ID=_42 /OriginExe=\"E:\\Setup.exe\""},
        {"setup.exe", " /S /v", "/LANG=1", false, "C:\\T\\S\\setup.exe",
         "/LANG=1 /S /v /TH_ID=_42 /OriginExe=\"E:\\Setup.exe\""},
        {"setup.exe", "", "/x", true, "C:\\T\\S\\setup.exe",
         "/x /TH_ID=_42 /OriginExe=\"E:\\Setup.exe\" /AutoUpdateProg"},
        {"setup.exe", "", "/SpanCdLvl=2 /SpanDiskFName1=\"E:\\Setup.exe.001\" /OriginExe=\"E:\\Setup.exe\"", false,
         "C:\\T\\S\\setup.exe", "/OriginExe=\"E:\\Setup.exe\" /TH_ID=_42"},
        {"sub\\inst.exe", "", "/originexe=x", false, "C:\\T\\S\\sub\\inst.exe",
         "/originexe=x /TH_ID=_42 /OriginExe=\"E:\\Setup.exe\""},  // case-sensitive test
        // Blanks in the name or the folder stay inside the quotes.
        {"sub/My Setup.exe", "/q", "", false, "C:\\T\\S\\sub\\My Setup.exe",
         "/q /TH_ID=_42 /OriginExe=\"E:\\Setup.exe\""},
    };
    for (const auto& c : cases) {
        LaunchInputs in;
        in.destination = "C:\\T\\S";
        in.setupName = c.name;
        in.setupParameters = c.parameters;
        in.commandTail = c.tail;
        in.token = "_42";
        in.ownPath = "E:\\Setup.exe";
        in.agentProgram = c.agent;
        const ProgramStart start = SetupCommandLine(in);
        EXPECT_EQ(start.application, c.program) << c.name;
        EXPECT_EQ(start.commandLine, "\"" + std::string(c.program) + "\" " + c.arguments) << c.name << " / " << c.tail;
    }
    EXPECT_EQ(RemoveSwitch("a /x=1 /y=2", "/x="), "a /y=2");
    EXPECT_EQ(RemoveSwitch("a /y=2 /x=1", "/x="), "a /y=2 ");
    EXPECT_EQ(RemoveSwitch("a /X=1", "/x="), "a /X=1");
}

TEST(Launch, MegabyteTexts) {
    const struct {
        double bytes;
        const char* text;
    } cases[] = {{0, "0.000"},
                 {-5, "0.000"},
                 {524288, "0.500"},
                 {1048576, "1.00"},
                 {10485760, "10.00"},
                 {10485761 * 1.0 + 104857, "10.1"},
                 {3.5 * 1073741824, "3584.0"}};
    for (const auto& c : cases) EXPECT_EQ(MbText(c.bytes), c.text) << c.bytes;
}

TEST(Launch, FreeSpaceQuestion) {
    const SpaceTexts t{"N(<DRIVE>)|", "S(<DRIVE>)|", "R <SPACE_REQ>|", "A <SPACE_AVAIL>|", "Q"};
    EXPECT_EQ(FreeSpaceQuestion(false, 100, 1e9, "C:", t), "");
    EXPECT_EQ(FreeSpaceQuestion(true, 1048576, 2097152, "C:", t), "N(C:)|R 1.00|A 2.00|Q");
    EXPECT_EQ(FreeSpaceQuestion(true, 3e9, 1e9, "D:", t), "S(D:)|R 2861.0|A 953.7|Q");  // the notice is replaced
    EXPECT_EQ(FreeSpaceQuestion(false, 5e6, 5e6, "C:", t).substr(0, 6), "S(C:)|");      // equal is too little
}

TEST(Launch, AlternativeDriveAndExitCodes) {
    EXPECT_EQ(PickAlternativeDrive({{'C', 10}, {'D', 50}, {'E', 50}}, 'C'), 'D');  // a tie keeps the earlier
    EXPECT_EQ(PickAlternativeDrive({{'C', 90}, {'D', 50}}, 'c'), 0);               // the temp drive itself
    EXPECT_EQ(PickAlternativeDrive({}, 'C'), 0);
    EXPECT_EQ(ExitCodeFor(SetupOutcome::Ran, 0), 0);
    EXPECT_EQ(ExitCodeFor(SetupOutcome::Ran, 3010), 3010);
    EXPECT_EQ(ExitCodeFor(SetupOutcome::AnotherRunning, 0), 1618);
    EXPECT_EQ(ExitCodeFor(SetupOutcome::Declined, 0), 1602);
    const SetupOutcome failures[] = {SetupOutcome::Declined,   SetupOutcome::DiskCancelled,
                                     SetupOutcome::Damaged,    SetupOutcome::ExtractionFailed,
                                     SetupOutcome::NotStarted, SetupOutcome::AnotherRunning};
    for (SetupOutcome a : failures) {
        EXPECT_NE(ExitCodeFor(a, 0), 0);
        for (SetupOutcome b : failures) {
            if (a != b) {
                EXPECT_NE(ExitCodeFor(a, 0), ExitCodeFor(b, 0));
            }
        }
    }
}

}  // namespace
}  // namespace rv
