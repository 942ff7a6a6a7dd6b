#include "autoupdate/update_cycle_win.h"

#include "autoupdate/agent_win.h"
#include "env/descriptor_files_win.h"
#include "autoupdate/update_cycle.h"
#include "base/clock.h"
#include "base/clock_win.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/scrambler.h"
#include "base/system_win.h"
#include "base/window_win.h"
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
namespace i = info_key;

enum DownloadKind { kInfoFile = 1, kSetupFile = 2, kInformFile = 3 };

struct DownloadOutcome {
    bool ok = false;
    std::string error;
};

struct CheckResult {
    bool ok = false;
    int code = 0;
    std::string text;
};

long long Now() { return SecondsSince1899(LocalNow()); }

// Versions, stamps and sizes count as 32-bit values.
long long Read32(DescriptorStore& store, const IniKey& key) {
    return static_cast<int32_t>(static_cast<uint32_t>(ReadNumber(store, key)));
}

// The inform file is stored scrambled; a plain one reads as it is.
InformFile ReadInformFile(const std::string& path) { return SplitInformFile(Scramble(ReadFilePart(path, 0, 0), false)); }

std::string Quoted(const std::string& path) {
    return !path.empty() && path[0] == '"' ? path : "\"" + path + "\"";
}

// One tick's view of the agent: its window, its package and its two
// descriptors, read afresh at every use.
class UpdateCycle {
public:
    UpdateCycle(RunContext& ctx, AgentState& agent, StatusDisplay& display)
        : ctx_(ctx),
          agent_(agent),
          display_(display),
          folder_(FolderOf(ctx.ownPath)),
          files_(AgentDescriptorsFor(folder_, ctx.package.UpdateItem(update_item::kDescriptorName))) {}

    void Tick();

private:
    DescriptorStore& original() { return files_.original; }
    DescriptorStore& info() { return files_.info; }
    std::string AgentText(int number) { return ReadText(original(), AgentTextKey(number)); }
    bool UserCheck() const { return agent_.userRequestedCheck == 1; }
    bool InfoFlag(const IniKey& key, size_t overrideIndex) {
        return ReadFlag(info(), key, agent_.overrides[overrideIndex]);
    }
    bool ConfirmDownload() { return InfoFlag(i::kConfirmBeforeDownload, 1); }
    std::string UpdateBase() { return ReadText(info(), i::kDownloadUrlUpdate); }

    void DownloadInfoOnly();
    DownloadOutcome FetchInfoFile();
    bool ConfirmShot();
    void PerformShot();
    CheckResult GetOkToPerformAU(bool infoDownloaded);
    bool SizeTest();
    DownloadOutcome DownloadFileAU(std::string base, const std::string& file, int kind);
    std::string Fetch(const std::string& base, const std::string& name, int kind, std::string& source);
    bool TokenMatches(const std::string& target, int kind);
    bool PerformAutoUpdate();
    bool UpdateSteps();
    bool PerformAutoInform();
    bool InformSteps();
    void ReStartAutoUpdateExe();
    std::string ShutDownProgram();
    void TellUserAfterCheck(const CheckResult& check, const std::string& downloadError);

    bool Ask(HWND owner, const std::string& text) {
        return ConfirmYesNo(ctx_.boxes, owner, text, ReadText(original(), o::kConfirmCaption), Charset(), Buttons());
    }
    void Attention(HWND owner, const std::string& text) {
        WarningBox(ctx_.boxes, owner, text, ReadText(original(), o::kAttentionCaption), 0, Charset(), Buttons());
    }
    void ShowError(const std::string& text) {
        ErrorBox(ctx_.boxes, nullptr, text, ReadText(original(), o::kErrorCaption), Charset(), Buttons());
    }
    void ShowNotice(const Notice& notice, HWND owner) {
        if (notice.kind == Notice::Error) ShowError(notice.text);
        if (notice.kind == Notice::Attention) Attention(owner, notice.text);
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
    std::string infoError_;  // of this shot's .info download
};

void UpdateCycle::Tick() {
    if (agent_.justDownloadInfo) {
        DownloadInfoOnly();
        return;
    }
    ctx_.boxes.SetFont(FontName(), FontSize(), Charset());
    agent_.phase = AgentPhase::Idle;
    const TickStart start = AdvanceTickCounters(agent_);
    if (start.quit) PostQuitMessage(0);
    TraceLog(" AutoUpdateTimerCount=" + IntText(agent_.timerCount));
    if (!start.shotsOpen) return;
    CheckTestMode(agent_, false);
    int status = ShotTimeStatus(agent_, ReadNumber(original(), o::kProbeSecondsInterval),
                                ReadNumber(original(), o::kProbeSecondsLast), Now());
    TraceLog(" ShotTimeStatus=" + IntText(status));
    if (status == 2) agent_.periodicProbing = false;
    if (status >= 1 && (UserCheck() || agent_.overrides[0] == 1) && !ConfirmShot()) status = 0;
    if (status >= 1) PerformShot();
    if (UserCheck()) agent_.userRequestedCheck = 0;
}

void UpdateCycle::DownloadInfoOnly() {
    TraceLog("-------------- JustDownloadInfoFile ---------------");
    agent_.justDownloadInfo = false;
    FetchInfoFile();
}

// The .info file from where the package's update block points, with the
// client told when it starts and ends.
DownloadOutcome UpdateCycle::FetchInfoFile() {
    ctx_.owner.Notify(notice::kInfoFile, notice::kStart);
    const DownloadOutcome outcome =
        DownloadFileAU(ctx_.package.UpdateItem(update_item::kAgentSettings),
                       InfoFileName(ctx_.package.UpdateItem(update_item::kDescriptorName)), kInfoFile);
    ctx_.owner.Notify(notice::kInfoFile, notice::kEnd);
    return outcome;
}

bool UpdateCycle::ConfirmShot() {
    const std::string folder = agent_.testMode ? agent_.testUrl : ctx_.package.UpdateItem(update_item::kAgentSettings);
    const std::string text = ShotConfirmationText(AgentText(22), AgentText(23), AgentText(24), folder,
                                                  agent_.testMode, ReadText(original(), o::kProgramName));
    return Ask(OwnerWithoutHeading(), text);
}

void UpdateCycle::PerformShot() {
    TraceLog(" Fire  " + ReadableSeconds(Now()));
    CheckTestMode(agent_, true);
    agent_.phase = AgentPhase::InfoDownload;
    const DownloadOutcome infoFile = FetchInfoFile();
    WriteSeconds(original(), o::kProbeSecondsLast, o::kProbeSecondsLastText, Now());
    const CheckResult check = GetOkToPerformAU(infoFile.ok);
    if (check.ok) {
        TraceLog(" ==== PerformShot-1 ====");
        WriteSeconds(original(), o::kReAskSecondsLast, o::kReAskSecondsLastText, Now());
        original().Write(o::kStamp.section, o::kStamp.key, ReadText(info(), i::kStamp));
        if (ReadNumber(info(), i::kAutoInform) == 1)
            PerformAutoInform();
        else if (PerformAutoUpdate())
            ReStartAutoUpdateExe();
        TraceLog(" ==== PerformShot-2 ====");
    }
    if (!UserCheck()) return;
    WaitPumping(1000, 0);
    display_.Show(false);
    if (!check.ok) TellUserAfterCheck(check, infoFile.error);
}

void UpdateCycle::TellUserAfterCheck(const CheckResult& check, const std::string& downloadError) {
    UserCheckFacts facts;
    facts.testMode = agent_.testMode;
    facts.connected = InternetConnected();
    facts.downloadError = downloadError;
    facts.code = check.code;
    facts.diagnostic = DiagnosticMode();
    TraceLog(" TestMode=" + BoolText(facts.testMode) + " InternetConnected=" + BoolText(facts.connected));
    const Notice notice = UserCheckNotice(facts, AgentText(2), AgentText(21));
    ShowNotice(notice, notice.kind == Notice::Attention ? OwnerWithoutHeading() : nullptr);
}

CheckResult UpdateCycle::GetOkToPerformAU(bool infoDownloaded) {
    CheckFacts facts;
    facts.infoDownloaded = infoDownloaded;
    facts.versionOriginal = Read32(original(), o::kVersionOriginal);
    facts.versionNew = Read32(info(), i::kVersionNew);
    facts.stampOriginal = Read32(original(), o::kStamp);
    facts.stampNew = Read32(info(), i::kStamp);
    facts.reAskDue = ReAskDue(ReadNumber(original(), o::kReAskSecondsLast),
                              ReadNumber(original(), o::kReAskSecondsInterval), Now());
    facts.userCheck = UserCheck();
    facts.validVersions = ReadText(info(), i::kValidVersions);
    CheckResult result;
    result.code = CheckCodeBeforeSize(facts);
    if (result.code == kCheckSizeError && SizeTest()) result.code = kCheckOk;
    result.ok = result.code == kCheckOk;
    result.text = CheckResultText(result.code);
    StdOutLine(" GetOkToPerformAU=" + IntText(result.code));
    TraceLog("GetOkToPerformAU = " + IntText(result.code) + " - " + result.text);
    return result;
}

bool UpdateCycle::SizeTest() {
    const bool inform = ReadNumber(info(), i::kAutoInform) == 1;
    const long long expected = Read32(info(), inform ? i::kSizeOfInformFile : i::kSizeOfUpdateFile);
    const std::string name = FileNameOf(ReadText(info(), inform ? i::kNameOfInformFile : i::kNameOfUpdateFile));
    const std::string base = agent_.testMode ? agent_.testUrl : UpdateBase();
    std::string path = base + "\\" + name;
    long long actual = -1;
    if (FileExists(path)) {
        actual = static_cast<long long>(FileSizeOf(path));
    } else if (!agent_.testMode && InternetConnected()) {
        path = base + "/" + name;
        actual = HttpFileSize(path);
    }
    if (SizeTestPasses(actual, expected)) return true;
    TraceLog("  InfoSize=" + IntText(expected));
    TraceLog("  HttpSize=" + IntText(actual));
    TraceLog("  URL=" + path);
    return false;
}

// The file from a folder (the test folder, a drive or a share) or over
// HTTP; kind 1 comes back in memory, the others land in the agent folder.
// Returns the error text; source names where it came from.
std::string UpdateCycle::Fetch(const std::string& base, const std::string& name, int kind, std::string& source) {
    const std::string target = kind == kInfoFile ? std::string() : folder_ + name;
    std::string data;
    std::string error;
    if (FileExists(source)) {
        data = ReadFilePart(source, 0, 0);
        if (kind != kInfoFile && !WriteFileData(target, data, FileDateOf(source), false, nullptr))
            error = "Unable to write " + target;
    } else if (!agent_.testMode && InternetConnected()) {
        WaitPumping(500, 0);
        const std::string status = AgentText(30 + kind);
        display_.SetStatusText(status, FontName(), Charset(), FontSize());
        source = base + "/" + name;
        ctx_.downloadCancel = false;
        const bool showWindow = kind == kSetupFile && ConfirmDownload() && !UserCheck();
        if (showWindow) display_.Show(true);
        StatusProgress progress(display_, status);
        const DownloadResult r =
            HttpDownload(UserCheck() ? display_.Window() : nullptr, source, target, &progress, ctx_.downloadCancel);
        if (showWindow) display_.Show(false);
        WaitPumping(500, 0);
        error = AgentDownloadError(r.error);
        data = r.data;
    } else {
        error = http_error::NotFound(source);
    }
    if (kind == kInfoFile && error.empty()) {
        if (!data.empty()) error = ErrorPageText("", data, source, false, "");
        if (error.empty() && !WriteFileData(folder_ + name, data, 0, false, nullptr))
            error = http_error::NotFound(source);
    }
    if (kind != kInfoFile && error.empty() && !FileExists(target)) error = http_error::NotFound(source);
    return error;
}

DownloadOutcome UpdateCycle::DownloadFileAU(std::string base, const std::string& file, int kind) {
    const std::string name = FileNameOf(file);
    if (agent_.testMode) base = agent_.testUrl;
    std::string source = base + "\\" + name;
    TraceLog(" DownloadFileAU: " + BoolText(FileExists(source)) + " " + source);
    TraceLog("TestMode=" + BoolText(agent_.testMode));
    TraceLog("Download START: " + source);
    DownloadOutcome outcome;
    outcome.error = Fetch(base, name, kind, source);
    TraceLog("Download END:   " + source);
    outcome.ok = outcome.error.empty();
    if (outcome.ok && kind != kInfoFile && !TokenMatches(folder_ + name, kind)) {
        // A file of another product is never kept, nor run.
        const std::string target = folder_ + name;
        const std::string error = ErrorPageText(target, "", source, false, "Bad Secret Token!");
        DeleteFileA(target.c_str());
        TraceLog("ERROR: " + error);
        ShowError(error);
        outcome.ok = false;
        outcome.error = error;
        return outcome;
    }
    const Notice notice =
        DownloadFailureNotice({outcome.error, source, ctx_.downloadCancel, ConfirmDownload()}, AgentText(3),
                              AgentText(4), AgentText(5));
    if (notice.kind != Notice::None) {
        TraceLog("ATTENTION: " + notice.text);
        Attention(nullptr, notice.text);
    }
    return outcome;
}

bool UpdateCycle::TokenMatches(const std::string& target, int kind) {
    const std::string own = ctx_.package.UpdateItem(update_item::kScrambledValue, true);
    if (kind == kSetupFile) return TGFileInfo(target).UpdateItem(update_item::kScrambledValue, true) == own;
    return UnscrambleItemOrRandom(ReadInformFile(target).token) == own;
}

bool UpdateCycle::PerformAutoUpdate() {
    TraceLog("PerformAutoUpdate() - START");
    const bool ok = UpdateSteps();
    TraceLog("PerformAutoUpdate() - END    Result=" + BoolText(ok));
    return ok;
}

bool UpdateCycle::UpdateSteps() {
    TraceLog(" ==== PerformAutoUpdate-4 ====");
    const std::string setupName = ReadText(info(), i::kNameOfUpdateFile);
    if (UpdateBase().empty() || setupName.empty()) return false;
    TraceLog(" ==== PerformAutoUpdate-5 ====");
    const std::string programName = ReadText(info(), i::kProgramName);
    const bool confirmInstall = InfoFlag(i::kConfirmBeforeInstall, 2);
    const std::string downloadQuestion = DownloadQuestionText(AgentText(11), AgentText(12), AgentText(13),
                                                              confirmInstall, programName, DiagnosticMode());
    if (ConfirmDownload() && !UserCheck() && !Ask(nullptr, downloadQuestion)) return false;
    TraceLog(" ==== PerformAutoUpdate-6 ====");
    agent_.phase = AgentPhase::UpdateDownload;
    ctx_.owner.Notify(notice::kDownload, notice::kStart);
    const bool downloaded = DownloadFileAU(UpdateBase(), setupName, kSetupFile).ok;
    ctx_.owner.Notify(notice::kDownload, notice::kEnd);
    const std::string setupPath = folder_ + FileNameOf(setupName);
    if (!downloaded) return false;
    if (confirmInstall && !UserCheck() &&
        !Ask(nullptr, InstallQuestionText(AgentText(14), programName, DiagnosticMode()))) {
        DeleteFileA(setupPath.c_str());
        return false;
    }
    TraceLog(" ==== PerformAutoUpdate-7 ====");
    const std::string program = ShutDownProgram();
    TraceLog(" ==== PerformAutoUpdate-10 ====");
    agent_.phase = AgentPhase::Installing;
    ctx_.owner.Notify(notice::kSetup, notice::kStart);
    ctx_.downloadCancel = false;
    const std::string infoPath = files_.info.path();
    const DriverInputs in{ctx_.setupFolder.Path(), setupPath, ctx_.package.UpdateItem(update_item::kProgramName),
                          !InfoFlag(i::kBackgroundUpdate, 3), "/OriginalInfoFile=\"" + infoPath + "\""};
    const bool ok = RunExtractionDriver(ctx_, display_, in).completed;
    ctx_.setupFolder.Remove();
    TraceLog(" ==== PerformAutoUpdate-11 ====");
    ctx_.owner.Notify(notice::kSetup, notice::kEnd);
    if (ok) WriteNumber(original(), o::kVersionOriginal, Read32(info(), i::kVersionNew));
    DeleteFileA(setupPath.c_str());
    if (ok) {
        const bool restart = !program.empty();
        const FinishMessage finish = FinishMessageFor(InfoFlag(i::kInformFinish, 4), UserCheck(), restart,
                                                      AgentText(16), AgentText(17), programName);
        bool yes = true;
        if (finish.kind == FinishMessage::Question) yes = Ask(OwnerWithoutHeading(), finish.text);
        if (finish.kind == FinishMessage::Attention) Attention(OwnerWithoutHeading(), finish.text);
        if (yes && restart) StartProgram(Quoted(program), SW_SHOWNORMAL);
    }
    TraceLog(" ==== PerformAutoUpdate-12 ====");
    return ok;
}

// Ends the running product the way the .info file asks; returns its path
// when it is to be started again after the setup, else empty.
std::string UpdateCycle::ShutDownProgram() {
    ctx_.variables.SetInstallFolders(ReadText(original(), o::kTargetDir), ReadText(original(), o::kSharedDir),
                                     ReadText(original(), o::kAuxiliaryDir));
    const Expansion expanded = ctx_.variables.Expand(ReadText(info(), i::kRunningProcess), "\\", true, true, true);
    FoldersNotFoundBoxes(ctx_.boxes, expanded.foldersNotFound);
    const std::string& program = expanded.text;
    const bool wasRunning = IsProcessRunning(program);
    const std::string methodText = ReadText(info(), i::kShutDownMethod);
    const ShutDown method = ShutDownMethodOf(methodText);
    if (method == ShutDown::AskUser) {
        const std::string request = ReplaceProgramName(AgentText(15), FileNameOf(program));
        while (IsProcessRunning(program)) Attention(nullptr, request);
    }
    TraceLog("Shut Down Process() - START  (" + program + ")  Method: " + methodText);
    TraceLog(" ==== PerformAutoUpdate-8 ====");
    if (method == ShutDown::Close) CloseProgram(program, true);
    if (method == ShutDown::Quit) QuitProgram(program, true);
    if (method == ShutDown::Terminate) TerminateProgram(program, true);
    if (WaitsForEnd(method)) WaitForProcessEnd(program, 0);
    TraceLog(" ==== PerformAutoUpdate-9 ====");
    TraceLog("Shut Down Process() - END");
    const int stopped = StoppedState(wasRunning, IsProcessRunning(program));
    return RestartsProgram(InfoFlag(i::kRestartProcess, 5), stopped) ? program : std::string();
}

bool UpdateCycle::PerformAutoInform() {
    TraceLog("PerformAutoInform() - START ");
    const bool shown = InformSteps();
    TraceLog("PerformAutoInform() - END " + BoolText(shown));
    return shown;
}

bool UpdateCycle::InformSteps() {
    TraceLog(" ==== PerformAutoInform-1 ====");
    const std::string informName = ReadText(info(), i::kNameOfInformFile);
    if (UpdateBase().empty() || informName.empty()) return false;
    TraceLog(" ==== PerformAutoInform-2 ====");
    agent_.phase = AgentPhase::UpdateDownload;
    ctx_.owner.Notify(notice::kDownload, notice::kStart);
    const bool downloaded = DownloadFileAU(UpdateBase(), informName, kInformFile).ok;
    ctx_.owner.Notify(notice::kDownload, notice::kEnd);
    if (!downloaded) return false;
    TraceLog(" ==== PerformAutoInform-3 ====");
    const InformFile file = ReadInformFile(folder_ + FileNameOf(informName));
    InformRequest request;
    request.title = AgentText(34);
    request.buttonText = AgentText(35);
    request.charset = Charset();
    request.fontSize = FontSize();
    request.fontName = FontName();
    request.height = static_cast<int>(Read32(info(), i::kAutoInformHeight));
    request.width = static_cast<int>(Read32(info(), i::kAutoInformWidth));
    request.link = ReadText(info(), i::kDownloadUrlInform);
    request.text = file.body;
    const bool shown = InformDialog(display_.Window(), request) == 1;
    if (shown) WriteNumber(original(), o::kVersionOriginal, Read32(info(), i::kVersionNew));
    TraceLog(" ==== PerformAutoInform-4 ====");
    return shown;
}

void UpdateCycle::ReStartAutoUpdateExe() {
    TraceLog(".. ReStartAutoUpdateExe() - Start");
    if (agent_.tickBudget <= 0) {
        const std::string command =
            AgentRestartCommand(folder_, ctx_.package.UpdateItem(update_item::kProgramName), agent_.overrides);
        TraceLog(".. WinExec - " + command);
        StartProgram(command, SW_HIDE);
        WaitPumping(1000, 0);
        TraceLog(".. PostMessage(WM_DESTROY)");
        PostMessageA(display_.Window(), WM_DESTROY, 0, 0);
    }
    TraceLog(".. ReStartAutoUpdateExe() - End");
}

}  // namespace

void AgentTick(RunContext& ctx, AgentState& agent, StatusDisplay& display) {
    // Waits inside a tick pump messages, and so more timer messages.
    if (agent.inTick) return;
    agent.inTick = true;
    UpdateCycle(ctx, agent, display).Tick();
    agent.phase = AgentPhase::Idle;
    agent.inTick = false;
}

}  // namespace rv
