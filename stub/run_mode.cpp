#include "stub/run_mode.h"

#include "base/numbers.h"
#include "base/paths.h"
#include "base/switches.h"
#include "base/text.h"

namespace rv {

ModeTests EvaluateModeTests(const RunModeInputs& in) {
    ModeTests t;
    const std::string own = FileNameOf(in.ownPath);
    t.plainAgent = in.agentFlag && SameText(own, in.updateProgramName);
    t.agentCopy = in.agentFlag && SameText(own, "X_" + Trim(in.updateProgramName));
    const long long level = SwitchNumberIn(in.commandTail, "/SpanCdLvl=", 1);
    t.spannedFirstLevel = in.spannedFlag && level == 1;
    t.spannedSecondLevel = level == 2;
    return t;
}

std::string WindowClassName(const RunModeInputs& in) {
    const ModeTests t = EvaluateModeTests(in);
    if (t.plainAgent || t.agentCopy) return ".AutoUpdate." + NameWithoutExtensions(in.ownPath);
    return in.ownPath;
}

std::string AgentCopyClassName(const std::string& updateProgramName) {
    return ".AutoUpdate.X_" + NameWithoutExtensions(updateProgramName);
}

RunPlan DecideRunPlan(const ModeTests& tests, bool ownWindowExists) {
    RunPlan plan;
    plan.forwardRequests = tests.plainAgent;
    if (ownWindowExists) {
        plan.anotherRunning = !tests.plainAgent && !tests.agentCopy;
        return plan;
    }
    if (tests.plainAgent) {
        plan.action = RunAction::StartAgentCopy;
    } else if (tests.agentCopy) {
        plan.action = RunAction::RunAgent;
        plan.deleteSelf = true;
    } else if (tests.spannedFirstLevel) {
        plan.action = RunAction::RestartFromCopy;
    } else {
        plan.action = RunAction::RunSetup;
        plan.deleteSelf = plan.removeFolder = tests.spannedSecondLevel;
    }
    return plan;
}

std::string PackagePath(const RunModeInputs& in) {
    const std::string named = SwitchValueIn(in.commandTail, "/SpanDiskFName1=");
    const std::string origin = SwitchValueIn(in.commandTail, "/OriginExe=");
    const bool restart = in.spannedFlag && EvaluateModeTests(in).spannedSecondLevel;
    return restart && !named.empty() && !origin.empty() && SameText(named, origin + ".001") ? named : in.ownPath;
}

ProgramStart SpannedRestartCommand(const std::string& copyPath, const std::string& ownPath,
                                   const std::string& commandTail) {
    return ProgramStartFor(copyPath, commandTail + " /SpanCdLvl=2 /SpanDiskFName1=\"" + ownPath + ".001\"" +
                                         " /OriginExe=\"" + ownPath + "\"");
}

std::string AgentCopyArguments(const std::string& commandTail) {
    std::string args;
    const std::string transient = SwitchValueIn(commandTail, "/TRANSIENT=");
    const std::string delay = SwitchValueIn(commandTail, "/DELAY=");
    if (!transient.empty()) args += " /TRANSIENTx=" + transient;
    if (!delay.empty()) args += " /SleepX=" + delay;
    return args;
}

unsigned long WaitSwitchMs(long long seconds) {
    constexpr long long kMaxSeconds = 0xFFFFFFFEull / 1000;
    if (seconds <= 0) return 0;
    return static_cast<unsigned long>((seconds < kMaxSeconds ? seconds : kMaxSeconds) * 1000);
}

std::vector<ForwardedMessage> ForwardedMessages(const std::string& commandTail, const std::string& target,
                                                bool copyWasRunning) {
    std::vector<ForwardedMessage> out;
    const long long stop = SwitchNumberIn(commandTail, "/STOP=", -1);
    if (stop >= 0) out.push_back({kMsgShutDown, stop, 0, "PostProcessMessage(wm_ShutDown) to: " + target});
    const std::string local = SwitchValueIn(commandTail, "/WM_MSG=");
    if (!local.empty()) {
        const std::string wrapped = ":" + local + ":";
        out.push_back({kMsgLocal, ToInt64(ListField(wrapped, 0), 0), ToInt64(ListField(wrapped, 1), 0),
                       "PostProcessMessage(wm_LocalMsg) to: " + target + " - " + wrapped});
    }
    const long long test = SwitchNumberIn(commandTail, "/TEST=", -1);
    if (test >= 0) {
        out.push_back(
            {kMsgAgent, 31, test,
             "PostProcessMessage(wm_AgentMsg) to: " + target + " - AU_PerformUpdateCycle (" + IntText(test) + ")"});
        if (!copyWasRunning && test > 0) out.push_back({kMsgShutDown, 2, 0, ""});
    }
    return out;
}

}  // namespace rv
