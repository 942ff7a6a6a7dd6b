// The switches of this process's real command line, read in a child run.
#include <gtest/gtest.h>

#include <string>

#include "base/numbers.h"
#include "base/switches_win.h"
#include "base/system_win.h"
#include "format/std_file.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

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

}  // namespace
}  // namespace rv
