#include "autoupdate/update_cycle.h"

#include "base/command_line.h"

#include <climits>

#include <utility>

#include "base/numbers.h"
#include "base/paths.h"
#include "base/text.h"

namespace rv {

namespace {
// Times and sizes come from descriptor files and from other programs'
// messages, so any value can arrive: sums saturate instead of overflowing.
long long SaturatingAdd(long long a, long long b) {
    long long sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? LLONG_MAX : LLONG_MIN;
}
}  // namespace

ShotTime ShotTimeStatus(AgentState& state, long long storedInterval, long long probeLast, long long now) {
    ShotTime status = ShotTime::NotDue;
    if (state.forcedCycle) {
        status = ShotTime::Due;
    } else if (state.periodicProbing && storedInterval != -1) {
        const long long interval = state.testMode ? 5 : storedInterval;
        if (now >= SaturatingAdd(probeLast, interval)) status = storedInterval == 0 ? ShotTime::DueOnce : ShotTime::Due;
    }
    state.forcedCycle = false;
    return status;
}

bool ReAskDue(long long reAskLast, long long reAskInterval, long long now) {
    return reAskInterval > 0 && SaturatingAdd(reAskLast, reAskInterval) < now;
}

bool ValidVersionsAccept(const std::string& validVersions, long long versionOriginal) {
    if (validVersions.empty()) return true;
    return ("," + validVersions + ",").find("," + IntText(versionOriginal) + ",") != std::string::npos;
}

bool SizeTestPasses(long long actual, long long expected) {
    long long difference = 0;
    if (__builtin_sub_overflow(actual, expected, &difference)) return false;
    return difference > -100 && difference < 100;
}

CheckCode CheckCodeBeforeSize(const CheckFacts& f) {
    if (!f.infoDownloaded) return CheckCode::InfoMissing;
    if (f.versionOriginal <= 0) return CheckCode::OriginalMissing;
    if (f.stampNew == f.stampOriginal && !f.reAskDue && !f.userCheck) return CheckCode::TooEarly;
    if (f.versionOriginal >= f.versionNew) return CheckCode::NotNewer;
    if (!ValidVersionsAccept(f.validVersions, f.versionOriginal)) return CheckCode::VersionMismatch;
    return CheckCode::SizeError;
}

std::string CheckResultText(CheckCode code) {
    static const char kTexts[] =
        "|Error downloading .INFO file|Error reading .ORIGINAL file|Too early for retesting"
        "|New version is not higher then old version|\"Valid for version\" mismatch|Download file size error|OK|";
    return ListField(kTexts, static_cast<int>(code));
}

std::string ReplaceProgramName(const std::string& text, const std::string& programName) {
    return ReplaceAll(text, "PROG_NAME", programName, false);
}

namespace {
// A folder named by a drive ("C:...") rather than by a URL.
bool IsDrivePath(const std::string& folder) { return folder.size() >= 2 && folder[1] == ':'; }
bool IsUncPath(const std::string& path) { return path.compare(0, 2, "\\\\") == 0; }
}  // namespace

std::string ShotConfirmationText(const std::string& question, const std::string& overInternet, const std::string& end,
                                 const std::string& folder, bool testMode, const std::string& programName) {
    std::string text = question;
    if (folder.size() >= 2 && !IsDrivePath(folder)) text += overInternet;
    text += end;
    if (testMode) text += "<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!";
    return ReplaceProgramName(text, programName);
}

std::string DownloadQuestionText(const std::string& question, const std::string& end, const std::string& endThenInstall,
                                 bool confirmInstall, const std::string& programName, bool diagnostic) {
    const std::string text = ReplaceProgramName(question + (confirmInstall ? endThenInstall : end), programName);
    return diagnostic ? ReplaceAll(text, "Download", "DOWNLOAD", false) : text;
}

std::string InstallQuestionText(const std::string& question, const std::string& programName, bool diagnostic) {
    const std::string text = ReplaceProgramName(question, programName);
    return diagnostic ? ReplaceAll(text, "install", "INSTALL", false) : text;
}

Notice UserCheckNotice(const UserCheckFacts& f, const std::string& notConnected, const std::string& nothingNew) {
    if (!f.testMode && !f.connected) return {Notice::Error, notConnected};
    if (f.testMode || f.downloadError.empty()) {
        std::string text = nothingNew;
        if (f.diagnostic)
            text += "<P><P>(" + CheckResultText(f.code) + " - " + IntText(static_cast<int>(f.code)) + ")   ";
        return {Notice::Attention, text};
    }
    return {Notice::Error, f.downloadError};
}

Notice DownloadFailureNotice(const DownloadFailureFacts& f, const std::string& aborted, const std::string& notFound,
                             const std::string& failed) {
    if (f.error.empty() || f.source.size() <= 2 || !f.confirmDownload) return {};
    if (f.aborted) return {Notice::Attention, aborted};
    if (!IsDrivePath(f.source) && !IsUncPath(f.source)) return {Notice::Attention, failed + "<P><P>" + f.source};
    return {Notice::Attention, notFound + "<P><P>" + f.source};
}

std::string AgentDownloadError(const std::string& error) {
    return !error.empty() && error[0] == '3' ? std::string() : error;
}

ShutDown ShutDownMethodOf(const std::string& method) {
    if (method == "Issue a Message Box") return ShutDown::AskUser;
    if (method == "Using WM_CLOSE") return ShutDown::Close;
    if (method == "Using WM_QUIT") return ShutDown::Quit;
    if (method == "Using Terminate Process") return ShutDown::Terminate;
    if (method == "Don't Shut Down") return ShutDown::DontShutDown;
    return ShutDown::Unknown;
}

bool WaitsForEnd(ShutDown method) { return method != ShutDown::DontShutDown && method != ShutDown::Unknown; }

Stopped StoppedState(bool wasRunning, bool runsNow) {
    if (!wasRunning) return Stopped::NeverRan;
    return runsNow ? Stopped::StillRuns : Stopped::Ended;
}

bool RestartsProgram(bool restartProcess, Stopped stopped) { return restartProcess && stopped == Stopped::Ended; }

FinishMessage FinishMessageFor(bool informFinish, bool userCheck, bool restart, const std::string& upToDate,
                               const std::string& restartQuestion, const std::string& programName) {
    if (!informFinish && !userCheck) return {};
    if (restart) return {FinishMessage::Question, ReplaceProgramName(upToDate + restartQuestion, programName)};
    return {FinishMessage::Attention, ReplaceProgramName(upToDate, programName)};
}

InformFile SplitInformFile(const std::string& text) {
    std::string rest = TextAfter(text, "|");
    InformFile file;
    file.token = TextBefore(rest, "|");
    for (int field = 0; field < 3; ++field) {
        const size_t bar = rest.find('|');
        rest = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
    }
    file.body = rest;
    return file;
}

std::string AgentRestartCommand(const std::string& agentFolder, const std::string& updateProgramName,
                                const TransientOverrides& overrides) {
    return QuotedPath(agentFolder + updateProgramName) + " /_ZZ=99 /WAIT=10 /TRANSIENT=" + OverridesText(overrides);
}

// --- The machine -----------------------------------------------------------

namespace {
namespace o = original_key;
namespace i = info_key;

// Versions, stamps and sizes count as 32-bit values.
long long Read32(DescriptorStore& store, const IniKey& key) {
    return static_cast<int32_t>(static_cast<uint32_t>(ReadNumber(store, key)));
}

std::string Quoted(const std::string& path) { return !path.empty() && path[0] == '"' ? path : "\"" + path + "\""; }

AgentString StatusTextOf(FileKind kind) {
    switch (kind) {
        case FileKind::Setup: return AgentString::SetupDownloadStatus;
        case FileKind::Inform: return AgentString::InformDownloadStatus;
        case FileKind::Info: break;
    }
    return AgentString::InfoDownloadStatus;
}

CycleAction ActionOf(CycleActionKind kind) {
    CycleAction action;
    action.kind = kind;
    return action;
}

CycleAction NoticeAction(const Notice& notice, BoxOwner owner) {
    CycleAction action = ActionOf(CycleActionKind::ShowNotice);
    action.notice = notice;
    action.owner = owner;
    return action;
}

CycleAction TextAction(CycleActionKind kind, const std::string& text, BoxOwner owner) {
    CycleAction action = ActionOf(kind);
    action.text = text;
    action.owner = owner;
    return action;
}

CycleAction PathAction(CycleActionKind kind, const std::string& path) {
    CycleAction action = ActionOf(kind);
    action.path = path;
    return action;
}

CycleAction OwnerNoticeAction(OwnerNotice notice) {
    CycleAction action = ActionOf(CycleActionKind::NotifyOwner);
    action.ownerNotice = notice;
    return action;
}

CycleAction TestModeAction(bool force) {
    CycleAction action = ActionOf(CycleActionKind::ReadTestMode);
    action.force = force;
    return action;
}
}  // namespace

UpdateCycle::UpdateCycle(AgentState& agent, DescriptorStore& original, DescriptorStore& info, CycleSettings settings)
    : agent_(agent), original_(original), info_(info), settings_(std::move(settings)) {}

std::string UpdateCycle::Text(AgentString text) { return ReadText(original_, AgentTextKey(text)); }

bool UpdateCycle::InfoFlag(const IniKey& key, uint8_t override) { return ReadFlag(info_, key, override); }

bool UpdateCycle::ConfirmDownload() { return InfoFlag(i::kConfirmBeforeDownload, agent_.overrides.confirmDownload); }

std::string UpdateCycle::UpdateBase() { return ReadText(info_, i::kDownloadUrlUpdate); }

CycleAction UpdateCycle::Act(CycleActionKind kind, Stage next) { return Act(ActionOf(kind), next); }

CycleAction UpdateCycle::Act(CycleAction action, Stage next) {
    action.applyFont = pending_.applyFont;
    // The quit goes out with the action that ends the tick: posted earlier,
    // a box or wait of the same tick would take it from the queue.
    action.quit = endAgent_ && action.kind == CycleActionKind::None;
    if (action.quit) endAgent_ = false;
    action.console = std::move(pending_.console);
    action.trace = std::move(pending_.trace);
    pending_ = CycleAction();
    stage_ = next;
    return action;
}

CycleAction UpdateCycle::Step(const CycleEvent& event) {
    if (event.kind == CycleEventKind::Tick) {
        // A box or a wait of the running tick pumps the next timer message.
        if (agent_.inTick || stage_ != Stage::Idle) return CycleAction();
        agent_.inTick = true;
        return Tick();
    }
    return Answer(event);
}

CycleAction UpdateCycle::Answer(const CycleEvent& e) {
    switch (stage_) {
        case Stage::Idle: return CycleAction();
        case Stage::InfoOnlyFetched: return Finish();
        case Stage::TestModeRead: return AfterTestModeRead(e.now);
        case Stage::ShotConfirmAsked: return e.yes ? StartShot(e.now) : EndTick();
        case Stage::ShotTestModeRead:
            agent_.phase = AgentPhase::InfoDownload;
            return FetchBetween(FileKind::Info, settings_.agentSettings, InfoFileName(settings_.descriptorName),
                                OwnerNotice::InfoFileStart, OwnerNotice::InfoFileEnd, Stage::ShotInfoFetched);
        case Stage::ShotInfoFetched: return Check(e.now);
        case Stage::SizeMeasured: {
            CheckCode code = CheckCode::Ok;
            if (!SizeTestPasses(e.size, expectedSize_)) {
                Trace("  InfoSize=" + IntText(expectedSize_));
                Trace("  HttpSize=" + IntText(e.size));
                Trace("  URL=" + e.source);
                code = CheckCode::SizeError;
            }
            return AfterCheck(e.now, code);
        }
        case Stage::FetchStartTold: {
            CycleAction fetch = ActionOf(CycleActionKind::FetchFile);
            fetch.file = fetchKind_;
            fetch.base = agent_.testMode ? agent_.testUrl : fetchBase_;
            fetch.name = fetchName_;
            fetch.statusText = Text(StatusTextOf(fetchKind_));
            fetch.userCheck = UserCheckRuns();
            fetch.showProgress = fetchKind_ == FileKind::Setup && ConfirmDownload() && !UserCheckRuns();
            fetch.overHttp = !agent_.testMode;
            return Act(fetch, Stage::FetchAnswered);
        }
        case Stage::FetchAnswered: return AfterFetch(e);
        case Stage::TokenAnswered: return AfterToken(e);
        case Stage::RefusedFileDeleted:
            Trace("ERROR: " + fetchError_);
            return Act(NoticeAction({Notice::Error, fetchError_}, BoxOwner::None), Stage::FetchNoticeShown);
        case Stage::FetchNoticeShown: return EndFetch();
        case Stage::DownloadAsked: return e.yes ? StartSetupDownload() : EndUpdate(false, false);
        case Stage::SetupFetched: return AfterSetupDownload();
        case Stage::InstallAsked:
            if (e.yes) return ShutDownProgram();
            return Act(PathAction(CycleActionKind::RemoveFile, setupPath_), Stage::DeclinedSetupDeleted);
        case Stage::DeclinedSetupDeleted: return EndUpdate(false, false);
        case Stage::ProgramFound:
            program_ = e.path;
            wasRunning_ = e.running;
            methodText_ = ReadText(info_, i::kShutDownMethod);
            method_ = ShutDownMethodOf(methodText_);
            if (method_ == ShutDown::AskUser && e.running) return AskToClose();
            return EndProgram();
        case Stage::CloseRequestShown:
            return Act(PathAction(CycleActionKind::CheckProgram, program_), Stage::CloseRequestChecked);
        case Stage::CloseRequestChecked: return e.running ? AskToClose() : EndProgram();
        case Stage::ProgramEnded: return AfterProgramEnded();
        case Stage::ProgramChecked: {
            const Stopped stopped = StoppedState(wasRunning_, e.running);
            restart_ = RestartsProgram(InfoFlag(i::kRestartProcess, agent_.overrides.restartProcess), stopped);
            Trace(" ==== PerformAutoUpdate-10 ====");
            agent_.phase = AgentPhase::Installing;
            return Act(OwnerNoticeAction(OwnerNotice::SetupStart), Stage::SetupStartTold);
        }
        case Stage::SetupStartTold: {
            CycleAction run = PathAction(CycleActionKind::RunSetup, setupPath_);
            run.showProgress = !InfoFlag(i::kBackgroundUpdate, agent_.overrides.backgroundUpdate);
            return Act(run, Stage::SetupRan);
        }
        case Stage::SetupRan:
            setupCompleted_ = e.completed;
            Trace(" ==== PerformAutoUpdate-11 ====");
            return Act(OwnerNoticeAction(OwnerNotice::SetupEnd), Stage::SetupEndTold);
        case Stage::SetupEndTold:
            if (setupCompleted_) WriteNumber(original_, o::kVersionOriginal, Read32(info_, i::kVersionNew));
            return Act(PathAction(CycleActionKind::RemoveFile, setupPath_), Stage::SetupDeleted);
        case Stage::SetupDeleted: return AfterSetupDeleted();
        case Stage::FinishAsked: return RestartAfterFinish(e.yes);
        case Stage::FinishShown: return RestartAfterFinish(true);
        case Stage::ProgramRestarted: return EndUpdate(true, true);
        case Stage::AgentRestarted:
            Trace(".. PostMessage(WM_DESTROY)");
            return Act(CycleActionKind::CloseWindow, Stage::WindowClosed);
        case Stage::WindowClosed: return EndAgentRestart();
        case Stage::InformFetched: return AfterInformDownload();
        case Stage::InformRead: {
            CycleAction show = ActionOf(CycleActionKind::ShowInform);
            show.inform.title = Text(AgentString::InformTitle);
            show.inform.buttonText = Text(AgentString::InformButton);
            show.inform.height = static_cast<int>(Read32(info_, i::kAutoInformHeight));
            show.inform.width = static_cast<int>(Read32(info_, i::kAutoInformWidth));
            show.inform.link = ReadText(info_, i::kDownloadUrlInform);
            show.inform.body = SplitInformFile(e.text).body;
            return Act(show, Stage::InformClosed);
        }
        case Stage::InformClosed:
            if (e.shown) WriteNumber(original_, o::kVersionOriginal, Read32(info_, i::kVersionNew));
            Trace(" ==== PerformAutoInform-4 ====");
            return EndInform(e.shown);
        case Stage::UserCheckEnded:
            if (check_ == CheckCode::Ok) return EndTick();
            return Act(CycleActionKind::CheckConnection, Stage::ConnectionChecked);
        case Stage::ConnectionChecked: {
            UserCheckFacts facts;
            facts.testMode = agent_.testMode;
            facts.connected = e.connected;
            facts.downloadError = infoError_;
            facts.code = check_;
            facts.diagnostic = settings_.diagnostic;
            Trace(" TestMode=" + BoolText(facts.testMode) + " InternetConnected=" + BoolText(facts.connected));
            const Notice notice =
                UserCheckNotice(facts, Text(AgentString::NotConnected), Text(AgentString::NothingNew));
            if (notice.kind == Notice::None) return EndTick();
            const BoxOwner owner = notice.kind == Notice::Attention ? BoxOwner::WithoutHeading : BoxOwner::None;
            return Act(NoticeAction(notice, owner), Stage::UserNoticeShown);
        }
        case Stage::UserNoticeShown: return EndTick();
    }
    return Finish();
}

CycleAction UpdateCycle::Tick() {
    if (agent_.justDownloadInfo) {
        Trace("-------------- JustDownloadInfoFile ---------------");
        agent_.justDownloadInfo = false;
        return FetchBetween(FileKind::Info, settings_.agentSettings, InfoFileName(settings_.descriptorName),
                            OwnerNotice::InfoFileStart, OwnerNotice::InfoFileEnd, Stage::InfoOnlyFetched);
    }
    pending_.applyFont = true;
    agent_.phase = AgentPhase::Idle;
    const TickStart start = AdvanceTickCounters(agent_);
    endAgent_ = start.quit;
    Trace(" AutoUpdateTimerCount=" + IntText(agent_.timerCount));
    if (!start.shotsOpen) return Finish();
    return Act(TestModeAction(false), Stage::TestModeRead);
}

CycleAction UpdateCycle::AfterTestModeRead(long long now) {
    const ShotTime status = ShotTimeStatus(agent_, ReadNumber(original_, o::kProbeSecondsInterval),
                                           ReadNumber(original_, o::kProbeSecondsLast), now);
    Trace(" ShotTimeStatus=" + IntText(static_cast<int>(status)));
    if (status == ShotTime::DueOnce) agent_.periodicProbing = false;
    if (status == ShotTime::NotDue) return EndTick();
    if (UserCheckRuns() || agent_.overrides.askBeforeShot == 1) {
        const std::string folder = agent_.testMode ? agent_.testUrl : settings_.agentSettings;
        const std::string text = ShotConfirmationText(
            Text(AgentString::ShotConfirm), Text(AgentString::ShotConfirmOverInternet),
            Text(AgentString::ShotConfirmEnd), folder, agent_.testMode, ReadText(original_, o::kProgramName));
        return Act(TextAction(CycleActionKind::Ask, text, BoxOwner::WithoutHeading), Stage::ShotConfirmAsked);
    }
    return StartShot(now);
}

CycleAction UpdateCycle::StartShot(long long now) {
    Trace(" Fire  " + ReadableSeconds(now));
    return Act(TestModeAction(true), Stage::ShotTestModeRead);
}

CycleAction UpdateCycle::Check(long long now) {
    infoError_ = fetchError_;
    WriteSeconds(original_, o::kProbeSecondsLast, o::kProbeSecondsLastText, now);
    CheckFacts facts;
    facts.infoDownloaded = fetched_;
    facts.versionOriginal = Read32(original_, o::kVersionOriginal);
    facts.versionNew = Read32(info_, i::kVersionNew);
    facts.stampOriginal = Read32(original_, o::kStamp);
    facts.stampNew = Read32(info_, i::kStamp);
    facts.reAskDue =
        ReAskDue(ReadNumber(original_, o::kReAskSecondsLast), ReadNumber(original_, o::kReAskSecondsInterval), now);
    facts.userCheck = UserCheckRuns();
    facts.validVersions = ReadText(info_, i::kValidVersions);
    const CheckCode code = CheckCodeBeforeSize(facts);
    if (code != CheckCode::SizeError) return AfterCheck(now, code);
    // The news edition publishes the size of its inform file instead.
    const bool inform = ReadNumber(info_, i::kAutoInform) == 1;
    expectedSize_ = Read32(info_, inform ? i::kSizeOfInformFile : i::kSizeOfUpdateFile);
    CycleAction measure = ActionOf(CycleActionKind::MeasureSize);
    measure.name = FileNameOf(ReadText(info_, inform ? i::kNameOfInformFile : i::kNameOfUpdateFile));
    measure.base = agent_.testMode ? agent_.testUrl : UpdateBase();
    measure.overHttp = !agent_.testMode;
    return Act(measure, Stage::SizeMeasured);
}

CycleAction UpdateCycle::AfterCheck(long long now, CheckCode code) {
    check_ = code;
    const std::string number = IntText(static_cast<int>(code));
    pending_.console = " GetOkToPerformAU=" + number;
    Trace("GetOkToPerformAU = " + number + " - " + CheckResultText(code));
    if (code != CheckCode::Ok) return EndShot();
    Trace(" ==== PerformShot-1 ====");
    WriteSeconds(original_, o::kReAskSecondsLast, o::kReAskSecondsLastText, now);
    original_.Write(o::kStamp.section, o::kStamp.key, ReadText(info_, i::kStamp));
    return ReadNumber(info_, i::kAutoInform) == 1 ? StartInform() : StartUpdate();
}

CycleAction UpdateCycle::FetchBetween(FileKind kind, const std::string& base, const std::string& file,
                                      OwnerNotice start, OwnerNotice end, Stage after) {
    fetchKind_ = kind;
    fetchBase_ = base;
    fetchName_ = FileNameOf(file);
    fetchEndNotice_ = end;
    afterFetch_ = after;
    fetchSource_.clear();
    fetchError_.clear();
    fetchAborted_ = false;
    fetched_ = false;
    return Act(OwnerNoticeAction(start), Stage::FetchStartTold);
}

CycleAction UpdateCycle::AfterFetch(const CycleEvent& e) {
    fetchError_ = e.error;
    fetchSource_ = e.source;
    fetchAborted_ = e.aborted;
    fetched_ = e.error.empty();
    if (!fetched_ || fetchKind_ == FileKind::Info) return FetchFailureNotice();
    CycleAction check = PathAction(CycleActionKind::CheckToken, settings_.agentFolder + fetchName_);
    check.file = fetchKind_;
    check.base = fetchSource_;
    return Act(check, Stage::TokenAnswered);
}

CycleAction UpdateCycle::AfterToken(const CycleEvent& e) {
    if (e.matches) return FetchFailureNotice();
    // A file of another product is never kept, nor run.
    fetched_ = false;
    fetchError_ = e.refusal;
    return Act(PathAction(CycleActionKind::RemoveFile, settings_.agentFolder + fetchName_), Stage::RefusedFileDeleted);
}

CycleAction UpdateCycle::FetchFailureNotice() {
    const Notice notice = DownloadFailureNotice({fetchError_, fetchSource_, fetchAborted_, ConfirmDownload()},
                                                Text(AgentString::DownloadAborted), Text(AgentString::FileNotFound),
                                                Text(AgentString::DownloadFailed));
    if (notice.kind == Notice::None) return EndFetch();
    Trace("ATTENTION: " + notice.text);
    return Act(NoticeAction(notice, BoxOwner::None), Stage::FetchNoticeShown);
}

CycleAction UpdateCycle::EndFetch() { return Act(OwnerNoticeAction(fetchEndNotice_), afterFetch_); }

CycleAction UpdateCycle::StartUpdate() {
    Trace("PerformAutoUpdate() - START");
    Trace(" ==== PerformAutoUpdate-4 ====");
    fileName_ = ReadText(info_, i::kNameOfUpdateFile);
    if (UpdateBase().empty() || fileName_.empty()) return EndUpdate(false, false);
    Trace(" ==== PerformAutoUpdate-5 ====");
    programName_ = ReadText(info_, i::kProgramName);
    confirmInstall_ = InfoFlag(i::kConfirmBeforeInstall, agent_.overrides.confirmInstall);
    if (!ConfirmDownload() || UserCheckRuns()) return StartSetupDownload();
    const std::string question = DownloadQuestionText(
        Text(AgentString::DownloadQuestion), Text(AgentString::DownloadQuestionEnd),
        Text(AgentString::DownloadQuestionThenInstallEnd), confirmInstall_, programName_, settings_.diagnostic);
    return Act(TextAction(CycleActionKind::Ask, question, BoxOwner::None), Stage::DownloadAsked);
}

CycleAction UpdateCycle::StartSetupDownload() {
    Trace(" ==== PerformAutoUpdate-6 ====");
    agent_.phase = AgentPhase::UpdateDownload;
    return FetchBetween(FileKind::Setup, UpdateBase(), fileName_, OwnerNotice::DownloadStart, OwnerNotice::DownloadEnd,
                        Stage::SetupFetched);
}

CycleAction UpdateCycle::AfterSetupDownload() {
    setupPath_ = settings_.agentFolder + FileNameOf(fileName_);
    if (!fetched_) return EndUpdate(false, false);
    if (!confirmInstall_ || UserCheckRuns()) return ShutDownProgram();
    const std::string question =
        InstallQuestionText(Text(AgentString::InstallQuestion), programName_, settings_.diagnostic);
    return Act(TextAction(CycleActionKind::Ask, question, BoxOwner::None), Stage::InstallAsked);
}

CycleAction UpdateCycle::ShutDownProgram() {
    Trace(" ==== PerformAutoUpdate-7 ====");
    return Act(PathAction(CycleActionKind::FindProgram, ReadText(info_, i::kRunningProcess)), Stage::ProgramFound);
}

CycleAction UpdateCycle::AskToClose() {
    const std::string request = ReplaceProgramName(Text(AgentString::CloseProgramRequest), FileNameOf(program_));
    return Act(NoticeAction({Notice::Attention, request}, BoxOwner::None), Stage::CloseRequestShown);
}

CycleAction UpdateCycle::EndProgram() {
    Trace("Shut Down Process() - START  (" + program_ + ")  Method: " + methodText_);
    Trace(" ==== PerformAutoUpdate-8 ====");
    // "Don't Shut Down" and an unknown method leave the program running:
    // nothing asked it to end, so waiting would never finish.
    if (!WaitsForEnd(method_)) return AfterProgramEnded();
    CycleAction end = PathAction(CycleActionKind::EndProgram, program_);
    end.method = method_;
    return Act(end, Stage::ProgramEnded);
}

CycleAction UpdateCycle::AfterProgramEnded() {
    Trace(" ==== PerformAutoUpdate-9 ====");
    Trace("Shut Down Process() - END");
    return Act(PathAction(CycleActionKind::CheckProgram, program_), Stage::ProgramChecked);
}

CycleAction UpdateCycle::AfterSetupDeleted() {
    if (!setupCompleted_) return EndUpdate(false, true);
    const FinishMessage finish =
        FinishMessageFor(InfoFlag(i::kInformFinish, agent_.overrides.informFinish), UserCheckRuns(), restart_,
                         Text(AgentString::UpToDate), Text(AgentString::RestartQuestion), programName_);
    if (finish.kind == FinishMessage::Question)
        return Act(TextAction(CycleActionKind::Ask, finish.text, BoxOwner::WithoutHeading), Stage::FinishAsked);
    if (finish.kind == FinishMessage::Attention)
        return Act(NoticeAction({Notice::Attention, finish.text}, BoxOwner::WithoutHeading), Stage::FinishShown);
    return RestartAfterFinish(true);
}

CycleAction UpdateCycle::RestartAfterFinish(bool yes) {
    if (!yes || !restart_) return EndUpdate(true, true);
    return Act(PathAction(CycleActionKind::StartProgram, Quoted(program_)), Stage::ProgramRestarted);
}

CycleAction UpdateCycle::EndUpdate(bool ok, bool toTheEnd) {
    if (toTheEnd) Trace(" ==== PerformAutoUpdate-12 ====");
    Trace("PerformAutoUpdate() - END    Result=" + BoolText(ok));
    if (!ok) return EndShot();
    // The new setup may have replaced the update program: its fresh copy
    // takes over, unless the agent is to end after a budget of ticks.
    Trace(".. ReStartAutoUpdateExe() - Start");
    if (agent_.tickBudget > 0) return EndAgentRestart();
    const std::string command = AgentRestartCommand(settings_.agentFolder, settings_.updateProgram, agent_.overrides);
    Trace(".. WinExec - " + command);
    return Act(PathAction(CycleActionKind::RestartAgent, command), Stage::AgentRestarted);
}

CycleAction UpdateCycle::EndAgentRestart() {
    Trace(".. ReStartAutoUpdateExe() - End");
    return EndShot();
}

CycleAction UpdateCycle::StartInform() {
    Trace("PerformAutoInform() - START ");
    Trace(" ==== PerformAutoInform-1 ====");
    fileName_ = ReadText(info_, i::kNameOfInformFile);
    if (UpdateBase().empty() || fileName_.empty()) return EndInform(false);
    Trace(" ==== PerformAutoInform-2 ====");
    agent_.phase = AgentPhase::UpdateDownload;
    return FetchBetween(FileKind::Inform, UpdateBase(), fileName_, OwnerNotice::DownloadStart, OwnerNotice::DownloadEnd,
                        Stage::InformFetched);
}

CycleAction UpdateCycle::AfterInformDownload() {
    if (!fetched_) return EndInform(false);
    Trace(" ==== PerformAutoInform-3 ====");
    return Act(PathAction(CycleActionKind::ReadInformFile, settings_.agentFolder + FileNameOf(fileName_)),
               Stage::InformRead);
}

CycleAction UpdateCycle::EndInform(bool shown) {
    Trace("PerformAutoInform() - END " + BoolText(shown));
    return EndShot();
}

CycleAction UpdateCycle::EndShot() {
    if (check_ == CheckCode::Ok) Trace(" ==== PerformShot-2 ====");
    if (!UserCheckRuns()) return EndTick();
    return Act(CycleActionKind::EndUserCheck, Stage::UserCheckEnded);
}

CycleAction UpdateCycle::EndTick() {
    if (UserCheckRuns()) agent_.userCheck = UserCheck::None;
    return Finish();
}

CycleAction UpdateCycle::Finish() {
    agent_.phase = AgentPhase::Idle;
    agent_.inTick = false;
    return Act(CycleActionKind::None, Stage::Idle);
}

}  // namespace rv
