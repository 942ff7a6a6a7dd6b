#include "net/internet_setup_win.h"

#include "base/paths.h"
#include "base/paths_win.h"
#include "base/window_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "net/http_win.h"
#include "net/internet_setup.h"
#include "net/status_progress_win.h"
#include "ui/message_box_win.h"

namespace rv {

namespace {

bool AskToDownload(const RunContext& ctx) {
    const TGFileInfo& own = ctx.package;
    const std::string question = DownloadQuestion(own.Text("s11"), own.InternetItem(internet_item::kSize));
    return ConfirmYesNo(ctx.boxes, nullptr, question, own.Text("Confirm"), own.Charset(), own.Text("BtnText"));
}

// The question, the connection test and the download into target; the
// error text ("!" when declined).
std::string FetchSetupFile(RunContext& ctx, StatusDisplay& display, bool hidden, const std::string& url,
                           const std::string& target) {
    const TGFileInfo& own = ctx.package;
    display.SetStatusText(own.Text("s10"), own.FontName(), own.Charset(), own.FontSize());
    const bool declined = own.ConfirmDownload() && !hidden && !AskToDownload(ctx);
    std::string error = PreDownloadError(declined, InternetConnected(), own.Text("s12"));
    ctx.downloadCancel = false;
    if (!error.empty()) return error;
    StatusProgress progress(display, own.Text("s10"));
    error = HttpDownload(hidden ? nullptr : display.Window(), url, target, &progress, ctx.downloadCancel).error;
    WaitPumping(300, 0);
    display.StartProgress(10, 0);
    WaitPumping(700, 0);
    return error;
}

std::string CheckToken(const TGFileInfo& own, const std::string& target, const std::string& url) {
    const TGFileInfo file(target);
    return TokenError(own.InternetItem(internet_item::kToken, true), file.InternetItem(internet_item::kToken, true),
                      ReadFilePart(target, 10000, 0), url);
}

}  // namespace

DriverResult RunInternetSetup(RunContext& ctx, StatusDisplay& display, const std::string& extractionFolder,
                              const std::string& base, const std::string& setupFileName, bool hidden) {
    const TGFileInfo& own = ctx.package;
    const std::string url = SetupFileUrl(base, setupFileName);
    std::string target = WithBackslash(base, true) + setupFileName;
    bool downloaded = false;
    std::string error;
    if (!FileExists(target)) {
        target = TempDir(true) + setupFileName;
        error = FetchSetupFile(ctx, display, hidden, url, target);
        downloaded = error.empty();
    }
    StdOutLine("InternetSetup: " + target + " error=" + error);
    if (error.empty()) error = CheckToken(own, target, url);
    DriverResult result;
    if (error.empty())
        result =
            RunExtractionDriver(ctx, display, DriverInputs{extractionFolder, target, "", !hidden, ctx.commandTail, ""});
    else if (error == kDeclined)
        result.outcome = SetupOutcome::Declined;
    // A file beside the stub is the user's; only a download is removed.
    if (downloaded) DeleteFileA(target.c_str());
    if (ShowsErrorBox(error))
        ErrorBox(ctx.boxes, nullptr, error, own.Text("Error"), own.Charset(), own.Text("BtnText"));
    return result;
}

void WriteInternetAgentCopy(const std::string& ownPath, const std::string& folder, const std::string& name) {
    const std::string image = InternetAgentImage(ReadFilePart(ownPath, 0, 0));
    WriteFileData(folder + "\\" + name, image, FileDateOf(ownPath), false, nullptr);
}

}  // namespace rv
