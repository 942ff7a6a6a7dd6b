#include "package/startup_win.h"

#include "package/driver_win.h"
#include "package/temp_folder_win.h"
#include "ui/text_win.h"

namespace rv {

namespace {

DriverInputs OrdinaryPackage(const StubContext& ctx) {
    const TGFileInfo& own = ctx.package;
    DriverInputs in;
    in.destination = TempSetupFolder();
    const std::string firstVolume = SwitchValueIn(ctx.commandTail, "/SpanDiskFName1=");
    in.packagePath = firstVolume.empty() ? ctx.ownPath : firstVolume;
    in.updateProgramName = own.WriteAgent() ? own.UpdateItem(update_item::kProgramName) : std::string();
    const bool hidden = SwitchPresentIn(ctx.commandTail, "/hide") || own.UpdateItem(update_item::kBackground) == "1";
    in.foreground = !hidden;
    in.commandTail = ctx.commandTail;
    return in;
}

}  // namespace

void RunSetupStartupStep(StubContext& ctx, HWND window) {
    // The timer goes first, so that the step runs exactly once.
    KillTimer(window, 1);
    const DriverResult result = RunExtractionDriver(ctx, window, OrdinaryPackage(ctx));
    ctx.exitCode = ExitCodeFor(result.outcome, result.exitCode);
    RemoveTempSetupFolder();
    PostQuitMessage(0);
}

}  // namespace rv
