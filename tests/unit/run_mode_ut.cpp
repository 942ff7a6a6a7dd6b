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
    const MainWindowLayout ltr = LayoutForCharset(0), hebrew = LayoutForCharset(177), arabic = LayoutForCharset(178);
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
    const Box at = CenteredIn(Box{0, 0, 1024, 738}, 492, 110);
    EXPECT_EQ(at.x, 266);
    EXPECT_EQ(at.y, 314);
}

}  // namespace
}  // namespace rv
