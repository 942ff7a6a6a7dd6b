#include "stub/setup_step_win.h"

#include "base/paths_win.h"
#include "base/switches.h"
#include "env/file_util_win.h"
#include "net/internet_setup_win.h"
#include "package/driver_win.h"
#include "stub/run_mode.h"

namespace rv {

namespace {

bool HiddenRun(const StubContext& ctx) {
    return SwitchPresentIn(ctx.commandTail, "/hide") || ctx.package.UpdateItem(update_item::kBackground) == "1";
}

DriverInputs OrdinaryPackage(StubContext& ctx) {
    const TGFileInfo& own = ctx.package;
    DriverInputs in;
    in.destination = ctx.setupFolder.Path();
    RunModeInputs mode;
    mode.spannedFlag = own.Flag(kFlagSpannedOverDisks);
    mode.ownPath = ctx.ownPath;
    mode.commandTail = ctx.commandTail;
    in.packagePath = PackagePath(mode);
    // A spanned restart reads its files from the first volume beside the
    // launcher it is a copy of, and that launcher names the volume.
    if (in.packagePath != ctx.ownPath) in.launcherPath = ctx.ownPath;
    in.updateProgramName = own.WriteAgent() ? own.UpdateItem(update_item::kProgramName) : std::string();
    in.foreground = !HiddenRun(ctx);
    in.commandTail = ctx.commandTail;
    return in;
}

// The internet setup writes the update program itself, since no package
// of its own carries one; the setup file beside the stub wins over a
// download unless the package always downloads.
DriverResult InternetPackage(StubContext& ctx, StatusDisplay& display) {
    const TGFileInfo& own = ctx.package;
    const std::string folder = ctx.setupFolder.Path();
    if (folder.empty()) {
        DriverResult none;
        none.outcome = SetupOutcome::ExtractionFailed;
        return none;
    }
    const std::string agentName = own.WriteAgent() ? own.UpdateItem(update_item::kProgramName) : std::string();
    if (!agentName.empty()) {
        CreateFolderTree(folder);
        WriteInternetAgentCopy(ctx.ownPath, folder, agentName);
    }
    std::string base = own.InternetItem(internet_item::kBase);
    const std::string fileName = own.InternetItem(internet_item::kSetupFileName);
    const std::string beside = ProgramDir(true) + fileName;
    if (own.InternetItem(internet_item::kAlwaysDownload) != "1" && FileExists(beside)) base = ProgramDir(false);
    return RunInternetSetup(ctx, display, folder, base, fileName, HiddenRun(ctx));
}

}  // namespace

void RunSetupStartupStep(StubContext& ctx, StatusDisplay& display) {
    // The timer goes first, so that the step runs exactly once.
    KillTimer(display.Window(), 1);
    const DriverResult result = ctx.package.InternetSetup() ? InternetPackage(ctx, display)
                                                            : RunExtractionDriver(ctx, display, OrdinaryPackage(ctx));
    ctx.exitCode = ExitCodeFor(result.outcome, result.exitCode);
    ctx.setupFolder.Remove();
    PostQuitMessage(0);
}

}  // namespace rv
