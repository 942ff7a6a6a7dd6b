#include <gtest/gtest.h>

#include "stub/main_window.h"
#include "stub/run_mode.h"

namespace rv {
namespace {

RunModeInputs Inputs(bool agentFlag, const char* own, const char* update, bool spanned, const char* tail) {
    RunModeInputs in;
    in.agentFlag = agentFlag;
    in.ownPath = std::string("C:\\App\\") + own;
    in.updateProgramName = update;
    in.spannedFlag = spanned;
    in.commandTail = tail;
    return in;
}

TEST(RunModes, PlanByTrailerNameAndSwitches) {
    const struct {
        const char* what;
        RunModeInputs in;
        bool windowExists;
        RunAction action;
        bool forward, deleteSelf, removeFolder;
    } cases[] = {
        {"plain stub", Inputs(false, "Setup.exe", "Upd.exe", false, ""), false, RunAction::RunSetup, false, false,
         false},
        {"update program", Inputs(true, "Upd.exe", "upd.EXE ", false, "/TEST=1"), false, RunAction::StartAgentCopy,
         true, false, false},
        {"update program, second start still forwards", Inputs(true, "Upd.exe", "Upd.exe", false, "/STOP=0"), true,
         RunAction::Nothing, true, false, false},
        {"agent copy", Inputs(true, "X_Upd.exe", "Upd.exe", false, ""), false, RunAction::RunAgent, false, true, false},
        {"agent flag, other name: plain", Inputs(true, "Other.exe", "Upd.exe", false, ""), false, RunAction::RunSetup,
         false, false, false},
        {"name matches, no agent flag: plain", Inputs(false, "Upd.exe", "Upd.exe", false, ""), false,
         RunAction::RunSetup, false, false, false},
        {"second start of a plain stub", Inputs(false, "Setup.exe", "", false, ""), true, RunAction::Nothing, false,
         false, false},
        {"spanned, first start", Inputs(false, "Setup.exe", "", true, ""), false, RunAction::RestartFromCopy, false,
         false, false},
        {"spanned, level 1 given", Inputs(false, "Setup.exe", "", true, "/SpanCdLvl=1"), false,
         RunAction::RestartFromCopy, false, false, false},
        {"spanned, second start", Inputs(false, "Y_Setup.exe", "", true, "/SpanCdLvl=2 /SpanDiskFName1=\"E:\\S.001\""),
         false, RunAction::RunSetup, false, true, true},
        {"level switch without spanning flag", Inputs(false, "Setup.exe", "", false, "/SpanCdLvl=1"), false,
         RunAction::RunSetup, false, false, false},
    };
    for (const auto& c : cases) {
        const RunPlan plan = DecideRunPlan(EvaluateModeTests(c.in), c.windowExists);
        EXPECT_EQ(plan.action, c.action) << c.what;
        EXPECT_EQ(plan.forwardRequests, c.forward) << c.what;
        EXPECT_EQ(plan.deleteSelf, c.deleteSelf) << c.what;
        EXPECT_EQ(plan.removeFolder, c.removeFolder) << c.what;
        // Only a setup's second start says that another one runs; the
        // update program and its copy meet their running copy on purpose.
        EXPECT_EQ(plan.anotherRunning, c.windowExists && c.in.ownPath.find("Upd.exe") == std::string::npos) << c.what;
    }
    EXPECT_FALSE(
        DecideRunPlan(EvaluateModeTests(Inputs(true, "X_Upd.exe", "Upd.exe", false, "")), true).anotherRunning);
}

TEST(RunModes, WindowClassNames) {
    EXPECT_EQ(WindowClassName(Inputs(true, "Upd.exe.001", "Upd.exe.001", false, "")), ".AutoUpdate.Upd");
    EXPECT_EQ(WindowClassName(Inputs(true, "X_Upd.exe", "Upd.exe", false, "")), ".AutoUpdate.X_Upd");
    EXPECT_EQ(WindowClassName(Inputs(false, "Setup.exe", "Upd.exe", false, "")), "C:\\App\\Setup.exe");
    EXPECT_EQ(AgentCopyClassName("Upd.exe"), ".AutoUpdate.X_Upd");
}

// "/SpanDiskFName1=" names the package only in the spanned restart, and
// only as the ".001" beside the stub started first.
TEST(RunModes, PackagePathFromTheSpannedRestartOnly) {
    const char* restart = "/SpanCdLvl=2 /SpanDiskFName1=\"E:\\Setup.exe.001\" /OriginExe=\"E:\\Setup.exe\"";
    const struct {
        const char* what;
        RunModeInputs in;
        const char* package;
    } cases[] = {
        {"the restart", Inputs(false, "Y_Setup.exe", "", true, restart), "E:\\Setup.exe.001"},
        {"the restart, other case",
         Inputs(false, "Y_Setup.exe", "", true,
                "/SpanCdLvl=2 /SpanDiskFName1=\"e:\\SETUP.exe.001\" /OriginExe=\"E:\\Setup.exe\""),
         "e:\\SETUP.exe.001"},
        {"a plain start naming a file", Inputs(false, "Setup.exe", "", false, "/SpanDiskFName1=\"C:\\evil.exe\""),
         "C:\\App\\Setup.exe"},
        {"a plain stub given the whole restart line", Inputs(false, "Setup.exe", "", false, restart),
         "C:\\App\\Setup.exe"},
        {"spanned, first level",
         Inputs(false, "Setup.exe", "", true, "/SpanDiskFName1=\"E:\\Setup.exe.001\" /OriginExe=\"E:\\Setup.exe\""),
         "C:\\App\\Setup.exe"},
        {"the restart naming another file",
         Inputs(false, "Y_Setup.exe", "", true,
                "/SpanCdLvl=2 /SpanDiskFName1=\"C:\\evil.001\" /OriginExe=\"E:\\Setup.exe\""),
         "C:\\App\\Y_Setup.exe"},
        {"the restart without an origin",
         Inputs(false, "Y_Setup.exe", "", true, "/SpanCdLvl=2 /SpanDiskFName1=\"E:\\Setup.exe.001\""),
         "C:\\App\\Y_Setup.exe"},
        {"the restart with an empty value",
         Inputs(false, "Y_Setup.exe", "", true, "/SpanCdLvl=2 /SpanDiskFName1= /OriginExe=\"E:\\S.exe\""),
         "C:\\App\\Y_Setup.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(PackagePath(c.in), c.package) << c.what;
}

TEST(RunModes, SpannedRestartAndAgentCopyArguments) {
    const ProgramStart restart = SpannedRestartCommand("C:\\T\\SETUP_1\\Y_Setup.exe", "E:\\Setup.exe", " /x=1 ");
    EXPECT_EQ(restart.application, "C:\\T\\SETUP_1\\Y_Setup.exe");
    EXPECT_EQ(restart.commandLine,
              "\"C:\\T\\SETUP_1\\Y_Setup.exe\" /x=1  /SpanCdLvl=2 /SpanDiskFName1=\"E:\\Setup.exe.001\" "
              "/OriginExe=\"E:\\Setup.exe\"");
    EXPECT_EQ(SpannedRestartCommand("C:\\My Temp\\Y.exe", "E:\\S.exe", "").commandLine,
              "\"C:\\My Temp\\Y.exe\" /SpanCdLvl=2 /SpanDiskFName1=\"E:\\S.exe.001\" /OriginExe=\"E:\\S.exe\"");
    EXPECT_EQ(AgentCopyArguments("/TRANSIENT=|1|0| /DELAY=5"), " /TRANSIENTx=|1|0| /SleepX=5");
    EXPECT_EQ(AgentCopyArguments("/TRANSIENT= /DELAY=5"), " /SleepX=5");  // empty when a blank follows
    EXPECT_EQ(AgentCopyArguments(""), "");
}

TEST(RunModes, WaitSwitchNeverOverflows) {
    const struct {
        long long seconds;
        unsigned long ms;
    } cases[] = {{-5, 0},
                 {0, 0},
                 {10, 10000},
                 {4294966, 4294966000ul},
                 {4294967, 4294967000ul},
                 {4294968, 4294967000ul},
                 {1LL << 40, 4294967000ul},
                 {9223372036854775807LL, 4294967000ul}};
    for (const auto& c : cases) EXPECT_EQ(WaitSwitchMs(c.seconds), c.ms) << c.seconds;
}

TEST(RunModes, ForwardedMessages) {
    const auto codes = [](const std::string& tail, bool wasRunning) {
        std::string out;
        for (const ForwardedMessage& m : ForwardedMessages(tail, "X", wasRunning))
            out += std::to_string(m.message) + ":" + std::to_string(m.wParam) + ":" + std::to_string(m.lParam) + " ";
        return out;
    };
    EXPECT_EQ(codes("/STOP=0", false), "1123:0:0 ");
    EXPECT_EQ(codes("", false), "");
    EXPECT_EQ(codes("/WM_MSG=77:1200", true), "1124:77:1200 ");
    EXPECT_EQ(codes("/WM_MSG=77", true), "1124:77:0 ");
    EXPECT_EQ(codes("/TEST=0", false), "1125:31:0 ");           // 0 never adds the shutdown
    EXPECT_EQ(codes("/TEST=2", false), "1125:31:2 1123:2:0 ");  // a fresh copy ends after the test
    EXPECT_EQ(codes("/TEST=2", true), "1125:31:2 ");
    EXPECT_EQ(ForwardedMessages("/TEST=3", "C:\\X_U.exe", true)[0].trace,
              "PostProcessMessage(wm_AgentMsg) to: C:\\X_U.exe - AU_PerformUpdateCycle (3)");
}

TEST(MainWindowLayout, RightToLeftMirrorsStatusAndActivityBar) {
    const MainWindowLayout ltr = MainWindowLayoutOf(0, 96), hebrew = MainWindowLayoutOf(177, 96),
                           arabic = MainWindowLayoutOf(178, 96);
    EXPECT_EQ(ltr.status.x, 70);
    EXPECT_EQ(ltr.activity.x, 416);
    EXPECT_EQ(ltr.statusStyle, 0x50000000u);
    EXPECT_EQ(ltr.statusExStyle, 0u);
    for (const MainWindowLayout& rtl : {hebrew, arabic}) {
        EXPECT_EQ(rtl.status.x, 122);
        EXPECT_EQ(rtl.activity.x, 70);
        EXPECT_EQ(rtl.statusStyle, 0x50000002u);
        EXPECT_EQ(rtl.statusExStyle, 0x2000u);
        EXPECT_EQ(rtl.progress.x, 70);
    }
    // The detail line sits under the bar, as wide as it, on either side.
    for (const MainWindowLayout& any : {ltr, hebrew}) {
        EXPECT_EQ(any.detail.x, any.progress.x);
        EXPECT_EQ(any.detail.width, any.progress.width);
        EXPECT_GE(any.detail.y, any.progress.y + any.progress.height);
    }
    const Box at = CenteredIn(Box{0, 0, 1024, 738}, 492, 110);
    EXPECT_EQ(at.x, 266);
    EXPECT_EQ(at.y, 314);
}

// Every length follows the resolution, so nothing overlaps at any scale:
// the status line ends where the bar begins, the detail line starts under
// the bar and ends inside the window, the icon keeps its place.
TEST(MainWindowLayout, ScalesWithTheResolution) {
    struct Case {
        int dpi;
        Box window, icon, status, progress, detail;
    } cases[] = {
        {96, {0, 0, 492, 110}, {18, 20, 32, 32}, {70, 20, 340, 18}, {70, 38, 392, 13}, {70, 55, 392, 16}},
        {120, {0, 0, 615, 138}, {23, 25, 40, 40}, {88, 25, 425, 23}, {88, 48, 490, 16}, {88, 69, 490, 20}},
        {144, {0, 0, 738, 165}, {27, 30, 48, 48}, {105, 30, 510, 27}, {105, 57, 588, 20}, {105, 83, 588, 24}},
        {192, {0, 0, 984, 220}, {36, 40, 64, 64}, {140, 40, 680, 36}, {140, 76, 784, 26}, {140, 110, 784, 32}},
    };
    const auto same = [](const Box& a, const Box& b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    };
    for (const Case& c : cases) {
        const MainWindowLayout l = MainWindowLayoutOf(0, c.dpi);
        EXPECT_TRUE(same(l.window, c.window)) << c.dpi;
        EXPECT_TRUE(same(l.icon, c.icon)) << c.dpi;
        EXPECT_TRUE(same(l.status, c.status)) << c.dpi;
        EXPECT_TRUE(same(l.progress, c.progress)) << c.dpi;
        EXPECT_TRUE(same(l.detail, c.detail)) << c.dpi;
        EXPECT_LE(l.status.y + l.status.height, l.progress.y) << c.dpi;
        EXPECT_LE(l.progress.y + l.progress.height, l.detail.y) << c.dpi;
        EXPECT_EQ(MainWindowLayoutOf(178, c.dpi).activity.x, l.progress.x) << c.dpi;
    }
}

}  // namespace
}  // namespace rv
