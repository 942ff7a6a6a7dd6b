#include "autoupdate/update_cycle_win.h"

#include "autoupdate/agent_win.h"
#include "autoupdate/update_cycle.h"
#include "base/clock.h"
#include "base/clock_win.h"
#include "base/command_line.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/scrambler.h"
#include "base/system_win.h"
#include "base/window_win.h"
#include "env/descriptor_files_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "env/variables_win.h"
#include "format/scramble.h"
#include "net/http.h"
#include "net/http_win.h"
#include "net/status_progress_win.h"
#include "package/driver_win.h"
#include "package/temp_folder_win.h"
#include "proc/process_win.h"
#include "ui/inform_dialog_win.h"
#include "ui/message_box_win.h"

namespace rv {

namespace {

namespace o = original_key;

long long Now() { return SecondsSince1899(LocalNow()); }

// The inform file is stored scrambled; a plain one reads as it is.
std::string ReadInformText(const std::string& path) { return Scramble(ReadFilePart(path, 0, 0), false); }

WPARAM NoticeCode(OwnerNotice notice) {
    switch (notice) {
        case OwnerNotice::InfoFileStart:
        case OwnerNotice::InfoFileEnd: return notice::kInfoFile;
        case OwnerNotice::DownloadStart:
        case OwnerNotice::DownloadEnd: return notice::kDownload;
        case OwnerNotice::SetupStart:
        case OwnerNotice::SetupEnd: break;
    }
    return notice::kSetup;
}

LPARAM NoticeArgument(OwnerNotice notice) {
    const bool start = notice == OwnerNotice::InfoFileStart || notice == OwnerNotice::DownloadStart ||
                       notice == OwnerNotice::SetupStart;
    return start ? notice::kStart : notice::kEnd;
}

HWND OwnerOf(BoxOwner owner) { return owner == BoxOwner::WithoutHeading ? OwnerWithoutHeading() : nullptr; }

CycleEvent EventOf(CycleEventKind kind) { return CycleEvent::Of(kind); }

// Carries out the cycle's actions for one tick: its window, its package
// and its two descriptors, read afresh at every use.
class AgentShell {
public:
    AgentShell(RunContext& ctx, AgentState& agent, StatusDisplay& display)
        : ctx_(ctx),
          agent_(agent),
          display_(display),
          folder_(FolderOf(ctx.ownPath)),
          files_(AgentDescriptorsFor(folder_, ctx.package.UpdateItem(update_item::kDescriptorName))) {}

    DescriptorStore& original() { return files_.original; }
    DescriptorStore& info() { return files_.info; }

    CycleSettings Settings() const {
        CycleSettings s;
        s.agentFolder = folder_;
        s.agentSettings = ctx_.package.UpdateItem(update_item::kAgentSettings);
        s.descriptorName = ctx_.package.UpdateItem(update_item::kDescriptorName);
        s.updateProgram = ctx_.package.UpdateItem(update_item::kProgramName);
        s.diagnostic = DiagnosticMode();
        return s;
    }

    CycleEvent Perform(const CycleAction& action);

private:
    CycleEvent Fetch(const CycleAction& action);
    CycleEvent CheckToken(const CycleAction& action);
    CycleEvent MeasureSize(const CycleAction& action);
    CycleEvent FindProgram(const CycleAction& action);
    void EndProgram(const CycleAction& action);
    CycleEvent RunSetup(const CycleAction& action);
    CycleEvent ShowInform(const CycleAction& action);

    bool Ask(HWND owner, const std::string& text) {
        return ConfirmYesNo(ctx_.boxes, owner, text, ReadText(original(), o::kConfirmCaption), Charset(), Buttons());
    }
    void ShowNotice(const Notice& notice, HWND owner) {
        if (notice.kind == Notice::Error)
            ErrorBox(ctx_.boxes, owner, notice.text, ReadText(original(), o::kErrorCaption), Charset(), Buttons());
        if (notice.kind == Notice::Attention)
            WarningBox(ctx_.boxes, owner, notice.text, ReadText(original(), o::kAttentionCaption), 0, Charset(),
                       Buttons());
    }
    int Charset() { return static_cast<int>(ReadNumber(original(), o::kCharSet)); }
    int FontSize() { return static_cast<int>(ReadNumber(original(), o::kFontSize)); }
    std::string FontName() { return ReadText(original(), o::kFontName); }
    std::string Buttons() { return ReadText(original(), o::kButtonText); }

    RunContext& ctx_;
    AgentState& agent_;
    StatusDisplay& display_;
    std::string folder_;  // the agent's own folder, with a final "\"
    AgentDescriptors files_;
};

CycleEvent AgentShell::Perform(const CycleAction& action) {
    if (action.applyFont) ctx_.boxes.SetFont(FontName(), FontSize(), Charset());
    if (action.quit) PostQuitMessage(0);
    if (!action.console.empty()) StdOutLine(action.console);
    for (const std::string& line : action.trace) TraceLog(line);
    CycleEvent done = EventOf(CycleEventKind::Done);
    switch (action.kind) {
        case CycleActionKind::None: break;
        case CycleActionKind::ReadTestMode: CheckTestMode(agent_, action.force); break;
        case CycleActionKind::Ask: {
            CycleEvent answer = EventOf(CycleEventKind::Answered);
            answer.yes = Ask(OwnerOf(action.owner), action.text);
            return answer;
        }
        case CycleActionKind::ShowNotice: ShowNotice(action.notice, OwnerOf(action.owner)); break;
        case CycleActionKind::NotifyOwner:
            ctx_.owner.Notify(NoticeCode(action.ownerNotice), NoticeArgument(action.ownerNotice));
            break;
        case CycleActionKind::FetchFile: return Fetch(action);
        case CycleActionKind::CheckToken: return CheckToken(action);
        case CycleActionKind::RemoveFile: DeleteFileA(action.path.c_str()); break;
        case CycleActionKind::MeasureSize: return MeasureSize(action);
        case CycleActionKind::FindProgram: return FindProgram(action);
        case CycleActionKind::CheckProgram: {
            CycleEvent checked = EventOf(CycleEventKind::ProgramChecked);
            checked.running = IsProcessRunning(action.path);
            return checked;
        }
        case CycleActionKind::EndProgram: EndProgram(action); break;
        case CycleActionKind::RunSetup: return RunSetup(action);
        case CycleActionKind::StartProgram: StartProgram(ProgramStartOf(action.path), SW_SHOWNORMAL); break;
        case CycleActionKind::ReadInformFile: {
            CycleEvent read = EventOf(CycleEventKind::InformRead);
            read.text = ReadInformText(action.path);
            return read;
        }
        case CycleActionKind::ShowInform: return ShowInform(action);
        case CycleActionKind::EndUserCheck:
            WaitPumping(1000, 0);
            display_.Show(false);
            break;
        case CycleActionKind::CheckConnection: {
            CycleEvent connection = EventOf(CycleEventKind::Connection);
            connection.connected = InternetConnected();
            return connection;
        }
        case CycleActionKind::RestartAgent:
            StartProgram(ProgramStartOf(action.path), SW_HIDE);
            WaitPumping(1000, 0);
            break;
        case CycleActionKind::CloseWindow: PostMessageA(display_.Window(), WM_DESTROY, 0, 0); break;
    }
    return done;
}

// The file from a folder (the test folder, a drive or a share) or over
// HTTP; the .info file comes back in memory and is written only when it is
// no error page, the others land in the agent folder.
CycleEvent AgentShell::Fetch(const CycleAction& action) {
    const bool infoFile = action.file == FileKind::Info;
    const std::string& name = action.name;
    const std::string target = infoFile ? std::string() : folder_ + name;
    std::string source = action.base + "\\" + name;
    TraceLog(" DownloadFileAU: " + BoolText(FileExists(source)) + " " + source);
    TraceLog("TestMode=" + BoolText(agent_.testMode));
    TraceLog("Download START: " + source);
    std::string data;
    std::string error;
    if (FileExists(source)) {
        data = ReadFilePart(source, 0, 0);
        if (!infoFile && !WriteFileData(target, data, FileDateOf(source), false, nullptr))
            error = "Unable to write " + target;
    } else if (action.overHttp && InternetConnected()) {
        WaitPumping(500, 0);
        display_.SetStatusText(action.statusText, FontName(), Charset(), FontSize());
        source = action.base + "/" + name;
        ctx_.downloadCancel = false;
        if (action.showProgress) display_.Show(true);
        StatusProgress progress(display_, action.statusText);
        const DownloadResult r = HttpDownload(action.userCheck ? display_.Window() : nullptr, source, target, &progress,
                                              ctx_.downloadCancel);
        if (action.showProgress) display_.Show(false);
        WaitPumping(500, 0);
        error = AgentDownloadError(r.error);
        data = r.data;
    } else {
        error = http_error::NotFound(source);
    }
    if (infoFile && error.empty()) {
        // An empty answer is no descriptor: kept, it would overwrite the
        // local copy and make every later check say "not higher".
        error = data.empty() ? "Empty answer from " + source : ErrorPageText("", data, source, false, "");
        if (error.empty() && !WriteFileData(folder_ + name, data, 0, false, nullptr))
            error = http_error::NotFound(source);
    }
    if (!infoFile && error.empty() && !FileExists(target)) error = http_error::NotFound(source);
    TraceLog("Download END:   " + source);
    CycleEvent fetched = EventOf(CycleEventKind::Fetched);
    fetched.error = error;
    fetched.source = source;
    fetched.aborted = ctx_.downloadCancel;
    return fetched;
}

CycleEvent AgentShell::CheckToken(const CycleAction& action) {
    const std::string own = ctx_.package.UpdateItem(update_item::kScrambledValue, true);
    CycleEvent checked = EventOf(CycleEventKind::TokenChecked);
    if (action.file == FileKind::Setup)
        checked.matches = TGFileInfo(action.path).UpdateItem(update_item::kScrambledValue, true) == own;
    else
        checked.matches = UnscrambleItemOrRandom(SplitInformFile(ReadInformText(action.path)).token) == own;
    if (!checked.matches) checked.refusal = ErrorPageText(action.path, "", action.base, false, "Bad Secret Token!");
    return checked;
}

CycleEvent AgentShell::MeasureSize(const CycleAction& action) {
    CycleEvent measured = EventOf(CycleEventKind::SizeMeasured);
    measured.source = action.base + "\\" + action.name;
    if (FileExists(measured.source)) {
        measured.size = static_cast<long long>(FileSizeOf(measured.source));
    } else if (action.overHttp && InternetConnected()) {
        measured.source = action.base + "/" + action.name;
        measured.size = HttpFileSize(measured.source);
    }
    return measured;
}

CycleEvent AgentShell::FindProgram(const CycleAction& action) {
    ctx_.variables.SetInstallFolders(ReadText(original(), o::kTargetDir), ReadText(original(), o::kSharedDir),
                                     ReadText(original(), o::kAuxiliaryDir));
    const Expansion expanded = ctx_.variables.Expand(action.path, "\\", true, true, true);
    FoldersNotFoundBoxes(ctx_.boxes, expanded.foldersNotFound);
    CycleEvent found = EventOf(CycleEventKind::ProgramFound);
    found.path = expanded.text;
    found.running = IsProcessRunning(found.path);
    return found;
}

void AgentShell::EndProgram(const CycleAction& action) {
    if (action.method == ShutDown::Close) CloseProgram(action.path, true);
    if (action.method == ShutDown::Quit) QuitProgram(action.path, true);
    if (action.method == ShutDown::Terminate) TerminateProgram(action.path, true);
    WaitForProcessEnd(action.path, 0);
}

CycleEvent AgentShell::RunSetup(const CycleAction& action) {
    ctx_.downloadCancel = false;
    const DriverInputs in{ctx_.setupFolder.Path(),
                          action.path,
                          ctx_.package.UpdateItem(update_item::kProgramName),
                          action.showProgress,
                          "/OriginalInfoFile=\"" + files_.info.path() + "\"",
                          ""};
    CycleEvent finished = EventOf(CycleEventKind::SetupFinished);
    finished.completed = RunExtractionDriver(ctx_, display_, in).completed;
    ctx_.setupFolder.Remove();
    return finished;
}

CycleEvent AgentShell::ShowInform(const CycleAction& action) {
    InformRequest request;
    request.title = action.inform.title;
    request.buttonText = action.inform.buttonText;
    request.charset = Charset();
    request.fontSize = FontSize();
    request.fontName = FontName();
    request.height = action.inform.height;
    request.width = action.inform.width;
    request.link = action.inform.link;
    request.text = action.inform.body;
    CycleEvent closed = EventOf(CycleEventKind::InformClosed);
    closed.shown = InformDialog(display_.Window(), request) == 1;
    return closed;
}

}  // namespace

void AgentTick(RunContext& ctx, AgentState& agent, StatusDisplay& display) {
    AgentShell shell(ctx, agent, display);
    UpdateCycle cycle(agent, shell.original(), shell.info(), shell.Settings());
    CycleEvent event = EventOf(CycleEventKind::Tick);
    for (;;) {
        event.now = Now();
        const CycleAction action = cycle.Step(event);
        event = shell.Perform(action);
        if (action.kind == CycleActionKind::None) break;
    }
}

}  // namespace rv
