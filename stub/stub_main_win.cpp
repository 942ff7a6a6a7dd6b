// The stub's entry: the start line, the package reader over its own file
// for the whole run, the run mode, the end line, the setup's exit code.
#include <windows.h>

#include "autoupdate/agent_win.h"
#include "base/bind_win.h"
#include "base/command_line.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/paths_win.h"
#include "base/switches.h"
#include "base/switches_win.h"
#include "base/window_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "package/file_info.h"
#include "package/launch.h"
#include "proc/process_win.h"
#include "stub/main_window_win.h"
#include "stub/run_mode.h"
#include "stub/stub_context.h"

namespace rv {
namespace {

// Plants in the application folder (a Downloads folder, typically) must
// never be loaded in place of system DLLs, so the search is narrowed to the
// system folder before anything else can load a library. Older systems lack
// that call; there at least the current folder leaves the search.
void HardenDllSearch() {
    auto* setDirectories = BindProc<decltype(SetDefaultDllDirectories)>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDirectories && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    auto* setDirectory = BindProc<decltype(SetDllDirectoryA)>("kernel32.dll", "SetDllDirectoryA");
    if (setDirectory) setDirectory("");
}

RunModeInputs ModeInputs(const StubContext& ctx) {
    RunModeInputs in;
    in.agentFlag = ctx.package.IsAutoUpdateProgram();
    in.spannedFlag = ctx.package.Flag(kFlagSpannedOverDisks);
    in.ownPath = ctx.ownPath;
    in.updateProgramName = ctx.package.UpdateItem(update_item::kProgramName);
    in.commandTail = ctx.commandTail;
    return in;
}

std::string AgentCopyPath(const StubContext& ctx) { return FolderOf(ctx.ownPath) + "X_" + FileNameOf(ctx.ownPath); }

bool AgentCopyRunning(const StubContext& ctx) {
    const std::string className = AgentCopyClassName(ctx.package.UpdateItem(update_item::kProgramName));
    return FindWindowA(className.c_str(), nullptr) != nullptr;
}

void WaitSwitchSeconds(const StubContext& ctx) {
    const long long wait = SwitchNumberIn(ctx.commandTail, "/WAIT=", 0);
    TraceLog("Wait " + IntText(wait) + " SEC");
    if (wait > 0) WaitPumping(WaitSwitchMs(wait), 0);
}

void CreateAndRunAgentCopy(const StubContext& ctx, bool copyWasRunning) {
    TraceLog("CreateAndRun_X_Exe() --- Start");
    const std::string zz = SwitchValueIn(ctx.commandTail, "/_ZZ=");
    StdOutLine(" CreateAndRun_X_Exe-1 " + zz);
    // "/_ZZ=99" is the agent's own restart: the running copy ends a moment
    // after it started us, so wait first and take over once it is gone.
    const bool restartWait = zz == "99" && copyWasRunning;
    if (restartWait) {
        WaitSwitchSeconds(ctx);
        copyWasRunning = AgentCopyRunning(ctx);
    }
    // A second copy would find the first one's window and end at once, and
    // while it starts, requests forwarded by process could reach it instead
    // of the running copy: so a running copy is left alone.
    if (copyWasRunning) return;
    StdOutLine(" CreateAndRun_X_Exe-2");
    if (!restartWait) WaitSwitchSeconds(ctx);
    const std::string copy = AgentCopyPath(ctx);
    CopyFileA(ctx.ownPath.c_str(), copy.c_str(), FALSE);
    TraceLog("Create X_ File ");
    const std::string arguments = AgentCopyArguments(ctx.commandTail);
    const ProgramStart start = ProgramStartFor(copy, arguments);
    TraceLog("WinExec: " + start.commandLine);
    StartProgram(start, SW_HIDE);
    // Requests forwarded right after go to the copy's window, and a message
    // posted before the window exists is lost: so wait for the window, not
    // merely for the process.
    if (!ctx.commandTail.empty()) {
        for (int waited = 0; waited < 3000 && !AgentCopyRunning(ctx); waited += 200) WaitPumping(200, 0);
    }
    TraceLog("CreateAndRun_X_Exe() --- End");
}

bool ForwardRequests(const StubContext& ctx, bool copyWasRunning) {
    TraceLog("HandleParamOK() --- Start");
    const std::string target = AgentCopyPath(ctx);
    bool posted = false;
    if (FileExists(target)) {
        for (const ForwardedMessage& m : ForwardedMessages(ctx.commandTail, target, copyWasRunning)) {
            if (!m.trace.empty()) TraceLog(m.trace);
            posted |=
                PostProcessMessage(target, m.message, static_cast<WPARAM>(m.wParam), static_cast<LPARAM>(m.lParam));
        }
    }
    TraceLog("HandleParamOK() --- End");
    return posted;
}

void RestartFromCopy(StubContext& ctx) {
    const std::string folder = ctx.setupFolder.Path();
    if (folder.empty()) {
        ctx.exitCode = ExitCodeFor(SetupOutcome::ExtractionFailed, 0);
        return;
    }
    const std::string copy = WithBackslash(folder, true) + "Y_" + FileNameOf(ctx.ownPath);
    CopyFileA(ctx.ownPath.c_str(), copy.c_str(), FALSE);
    // The copy runs from the folder and removes it when it ends.
    ctx.setupFolder.Keep();
    StartProgram(SpannedRestartCommand(copy, ctx.ownPath, ctx.commandTail), SW_HIDE);
}

void RunAgentCopy(StubContext& ctx) {
    TraceLog("CheckTestMode");
    CheckTestMode(ctx.agent, true);
    // Overrides handed over by the update program (a restart keeps them).
    ParseOverrides(SwitchValueIn(ctx.commandTail, "/TRANSIENTx="), ctx.agent.overrides);
    TraceLog("WinMain");
    RunMainWindow(ctx);
}

void DoRunStubWin(StubContext& ctx) {
    TraceLog("DoRunStubWin() --- Start");
    const RunModeInputs in = ModeInputs(ctx);
    ctx.className = WindowClassName(in);
    const ModeTests tests = EvaluateModeTests(in);
    const bool copyRunning = AgentCopyRunning(ctx);
    TraceLog("X_ExeIsRunning=" + BoolText(copyRunning));
    TraceLog("ThisIs_Plain_AutoUpdate_Exe=" + BoolText(tests.plainAgent));
    TraceLog("ThisIs_X_AutoUpdate_Exe=" + BoolText(tests.agentCopy));
    const RunPlan plan = DecideRunPlan(tests, FindWindowA(ctx.className.c_str(), nullptr) != nullptr);
    switch (plan.action) {
        case RunAction::StartAgentCopy: CreateAndRunAgentCopy(ctx, copyRunning); break;
        case RunAction::RunAgent: RunAgentCopy(ctx); break;
        case RunAction::RestartFromCopy: RestartFromCopy(ctx); break;
        case RunAction::RunSetup: RunMainWindow(ctx); break;
        case RunAction::Nothing: break;
    }
    if (plan.anotherRunning) ctx.exitCode = ExitCodeFor(SetupOutcome::AnotherRunning, 0);
    if (plan.deleteSelf) {
        TraceLog("DeleteMySelf");
        SelfDeleteBatch(plan.removeFolder);
    }
    if (plan.forwardRequests) ForwardRequests(ctx, copyRunning);
    TraceLog("DoRunStubWin() --- End");
}

int RunStub() {
    // First: every line of the run, the framing included, goes through it.
    Trace trace;
    const std::string commandLine = ProcessCommandLine();
    StdOutLine(" ==== STUB START ====> " + commandLine + "<");
    int exitCode = 0;
    {
        LanguageChoice language;
        const TGFileInfo self(ProgramFile(), language);
        StubContext ctx(self);
        ctx.ownPath = ProgramFile();
        ctx.commandLine = commandLine;
        ctx.commandTail = CommandTail();
        trace.SetLogging(self.IsAutoUpdateProgram() && self.Flag(kFlagDebugTrace));
        const bool agentCopy = EvaluateModeTests(ModeInputs(ctx)).agentCopy;
        if (agentCopy) trace.SetPrefix(" X ");
        TraceLog("");
        TraceLog("");
        TraceLog("=== START === " + ctx.ownPath);
        TraceLog("CommandLine=" + commandLine);
        StdOutLine(" ==== ThisIs_AutoUpdateProg=" + BoolText(self.IsAutoUpdateProgram()));
        DoRunStubWin(ctx);
        exitCode = ctx.exitCode;
        TraceLog("=== EXIT === " + ctx.ownPath);
        TraceLog("");
    }
    StdOutLine(" ==== STUB END ====> " + commandLine + "<");
    StdOutRaw("");
    return exitCode;
}

}  // namespace
}  // namespace rv

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    rv::HardenDllSearch();
    return rv::RunStub();
}
