// The update cycle's decisions: whether a shot is due, whether an update
// may go ahead (and why not), the texts of the agent's questions and
// notices, the shutdown and restart choices, and the inform file's form;
// and UpdateCycle, the machine that strings them into one tick of the
// agent. The agent's tick in update_cycle_win.cpp carries out its actions
// and feeds the results back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "autoupdate/agent_state.h"

namespace rv {

// Whether a shot is due; the values are what the trace shows.
enum class ShotTime { NotDue = 0, Due = 1, DueOnce = 2 };
// DueOnce: an interval of 0 probes once per run. Consumes the forced cycle.
ShotTime ShotTimeStatus(AgentState& state, long long storedInterval, long long probeLast, long long now);

// Re-asking an unchanged edition is due once its period has passed; a
// period of 0 or less never re-asks.
bool ReAskDue(long long reAskLast, long long reAskInterval, long long now);
// Empty accepts every installed version; otherwise a comma-separated list
// of integers without blanks that must name it.
bool ValidVersionsAccept(const std::string& validVersions, long long versionOriginal);
// The published size and the real one may differ by less than 100 bytes.
bool SizeTestPasses(long long actual, long long expected);

// What the check compares, gathered before the result is computed.
struct CheckFacts {
    bool infoDownloaded = false;
    long long versionOriginal = 0;
    long long versionNew = 0;
    long long stampOriginal = 0;
    long long stampNew = 0;
    bool reAskDue = false;
    bool userCheck = false;
    std::string validVersions;
};
// The check's result codes, in the trace by their values; Ok lets the shot
// go on.
enum class CheckCode {
    InfoMissing = 0,
    OriginalMissing = 1,
    TooEarly = 2,
    NotNewer = 3,
    VersionMismatch = 4,
    SizeError = 5,
    Ok = 6,
};
// The code the tests reach before the size test. The size test comes last
// and may need the network, so it runs only when this is SizeError;
// passing it gives Ok.
CheckCode CheckCodeBeforeSize(const CheckFacts& facts);
std::string CheckResultText(CheckCode code);

// The shot confirmation: the question, its middle part (only for a URL,
// not a drive path) and its end, the test-mode note, "PROG_NAME" replaced.
std::string ShotConfirmationText(const std::string& question, const std::string& overInternet, const std::string& end,
                                 const std::string& folder, bool testMode, const std::string& programName);

// The questions before downloading (its end depends on whether the install
// is asked for later) and before installing.
std::string DownloadQuestionText(const std::string& question, const std::string& end, const std::string& endThenInstall,
                                 bool confirmInstall, const std::string& programName, bool diagnostic);
std::string InstallQuestionText(const std::string& question, const std::string& programName, bool diagnostic);
std::string ReplaceProgramName(const std::string& text, const std::string& programName);

// What a user who asked for a check is told when no update followed.
struct Notice {
    enum Kind { None, Error, Attention } kind = None;
    std::string text;
};
struct UserCheckFacts {
    bool testMode = false;
    bool connected = false;
    std::string downloadError;
    CheckCode code = CheckCode::InfoMissing;
    bool diagnostic = false;
};
Notice UserCheckNotice(const UserCheckFacts& facts, const std::string& notConnected, const std::string& nothingNew);

// The notice after a failed download, told only in interactive updates;
// None when there is nothing to tell.
struct DownloadFailureFacts {
    std::string error;
    std::string source;
    bool aborted = false;
    bool confirmDownload = false;
};
Notice DownloadFailureNotice(const DownloadFailureFacts& facts, const std::string& aborted, const std::string& notFound,
                             const std::string& failed);

// A download's error text as the agent keeps it: one that begins with "3"
// (a redirection WinINet followed) is no error.
std::string AgentDownloadError(const std::string& error);

// How the running product is asked to end before its setup runs; the
// method text is compared exactly.
enum class ShutDown { AskUser, Close, Quit, Terminate, DontShutDown, Unknown };
ShutDown ShutDownMethodOf(const std::string& method);
// The four ways of ending the program wait for it to end. "Don't Shut
// Down" and a method the agent does not know leave it running: nothing
// asked it to end, so waiting would never finish.
bool WaitsForEnd(ShutDown method);
enum class Stopped { NeverRan, StillRuns, Ended };
Stopped StoppedState(bool wasRunning, bool runsNow);
// Only a program that the agent saw end is started again.
bool RestartsProgram(bool restartProcess, Stopped stopped);

// The message after a successful setup.
struct FinishMessage {
    enum Kind { None, Question, Attention } kind = None;
    std::string text;
};
FinishMessage FinishMessageFor(bool informFinish, bool userCheck, bool restart, const std::string& upToDate,
                               const std::string& restartQuestion, const std::string& programName);

// The inform file, decoded: "|" token "|" field "|" field "|" body.
struct InformFile {
    std::string token;
    std::string body;
};
InformFile SplitInformFile(const std::string& text);

// The agent's own restart: the update program beside it, waiting for this
// copy to end, with the overrides carried over.
std::string AgentRestartCommand(const std::string& agentFolder, const std::string& updateProgramName,
                                const TransientOverrides& overrides);

// --- One tick of the agent as a machine ---------------------------------
//
// The agent's window calls UpdateCycle::Step with a Tick, carries out the
// action it returns, and steps again with that action's result, until the
// action is None. Every event carries the clock at its arrival.

// The files the agent fetches; each has its own status text.
enum class FileKind { Info, Setup, Inform };

// What the owner window is told, in the order of a full update.
enum class OwnerNotice { InfoFileStart, InfoFileEnd, DownloadStart, DownloadEnd, SetupStart, SetupEnd };

// A message box either has no owner or is owned by the hidden owner that
// shows no heading above the text.
enum class BoxOwner { None, WithoutHeading };

enum class CycleActionKind {
    None,             // the tick is over
    ReadTestMode,     // read TestMode and TestModeURL again; force: even when read lately
    Ask,              // a yes/no question: text, owner; answer Answered
    ShowNotice,       // an error or attention box: notice, owner
    NotifyOwner,      // notice
    FetchFile,        // file from base (a folder or a URL) by name into the agent folder; answer Fetched
    CheckToken,       // the file at path, fetched from base, is of this product; answer TokenChecked
    RemoveFile,       // path
    MeasureSize,      // the size of name under base, over HTTP only when overHttp; answer SizeMeasured
    FindProgram,      // expand the running-process template in path; answer ProgramFound
    CheckProgram,     // is the program at path running; answer ProgramChecked
    EndProgram,       // end the program at path by method, then wait for its end
    RunSetup,         // run the setup at path; showProgress; answer SetupFinished
    StartProgram,     // path, a quoted command line
    ReadInformFile,   // path; answer InformRead
    ShowInform,       // inform; answer InformClosed
    EndUserCheck,     // a moment for the user to see the end, then the status window hidden
    CheckConnection,  // answer Connection
    RestartAgent,     // start the update program hidden with path as its command line
    CloseWindow,      // the agent's window ends, and with it this copy
};

// The inform dialog's page.
struct InformPage {
    std::string title, buttonText, link, body;
    int height = 0, width = 0;
};

struct CycleAction {
    CycleActionKind kind = CycleActionKind::None;
    // Carried out first, in this order, with every kind.
    bool applyFont = false;  // the message box font from the .original file
    bool quit = false;       // the tick budget ran out: the agent ends after this tick
    std::string console;     // a line on standard output
    std::vector<std::string> trace;

    bool force = false;
    std::string text;
    BoxOwner owner = BoxOwner::None;
    Notice notice;
    OwnerNotice ownerNotice = OwnerNotice::InfoFileStart;
    FileKind file = FileKind::Info;
    std::string base, name, path;
    std::string statusText;     // FetchFile: shown while it transfers
    bool showProgress = false;  // FetchFile, RunSetup: the progress window is shown
    bool userCheck = false;     // FetchFile: the status window owns the transfer's boxes
    bool overHttp = false;
    ShutDown method = ShutDown::Unknown;
    InformPage inform;
};

enum class CycleEventKind {
    Tick,
    Done,            // an action that answers nothing was carried out
    Answered,        // yes
    Fetched,         // error (empty: fetched), source, aborted
    TokenChecked,    // matches; refusal: the error text when it does not
    SizeMeasured,    // size (negative: unknown), source
    ProgramFound,    // path, running
    ProgramChecked,  // running
    SetupFinished,   // completed
    InformRead,      // text: the file decoded
    InformClosed,    // shown
    Connection,      // connected
};

struct CycleEvent {
    CycleEventKind kind = CycleEventKind::Done;
    long long now = 0;  // seconds since 1899, local time
    bool yes = false;
    bool aborted = false;
    bool matches = false;
    bool running = false;
    bool completed = false;
    bool shown = false;
    bool connected = false;
    long long size = -1;
    std::string error, source, refusal, path, text;

    static CycleEvent Of(CycleEventKind kind) {
        CycleEvent e;
        e.kind = kind;
        return e;
    }
};

// What the agent knows of its package and of the process.
struct CycleSettings {
    std::string agentFolder;     // with a final "\"
    std::string agentSettings;   // where the .info file is published
    std::string descriptorName;  // the .info file's name
    std::string updateProgram;   // the update program's name, beside the agent
    bool diagnostic = false;
};

class UpdateCycle {
public:
    // The descriptors are read afresh at every use: a setup may write them.
    UpdateCycle(AgentState& agent, DescriptorStore& original, DescriptorStore& info, CycleSettings settings);

    // A Tick while another tick's cycle runs (a box or a wait pumps timer
    // messages) answers None and changes nothing.
    CycleAction Step(const CycleEvent& event);

private:
    // Each stage names the answer it waits for.
    enum class Stage {
        Idle,
        InfoOnlyFetched,
        TestModeRead,
        ShotConfirmAsked,
        ShotTestModeRead,
        ShotInfoFetched,
        SizeMeasured,
        FetchStartTold,
        FetchAnswered,
        TokenAnswered,
        RefusedFileDeleted,
        FetchNoticeShown,
        DownloadAsked,
        SetupFetched,
        InstallAsked,
        DeclinedSetupDeleted,
        ProgramFound,
        CloseRequestShown,
        CloseRequestChecked,
        ProgramEnded,
        ProgramChecked,
        SetupStartTold,
        SetupRan,
        SetupEndTold,
        SetupDeleted,
        FinishAsked,
        FinishShown,
        ProgramRestarted,
        AgentRestarted,
        WindowClosed,
        InformFetched,
        InformRead,
        InformClosed,
        UserCheckEnded,
        ConnectionChecked,
        UserNoticeShown,
    };

    CycleAction Answer(const CycleEvent& event);
    CycleAction Tick();
    CycleAction AfterTestModeRead(long long now);
    CycleAction StartShot(long long now);
    CycleAction Check(long long now);
    CycleAction AfterCheck(long long now, CheckCode code);
    // Fetches a file between the two owner notices; the answer to the end
    // notice goes to the stage after.
    CycleAction FetchBetween(FileKind kind, const std::string& base, const std::string& file, OwnerNotice start,
                             OwnerNotice end, Stage after);
    CycleAction AfterFetch(const CycleEvent& event);
    CycleAction AfterToken(const CycleEvent& event);
    CycleAction FetchFailureNotice();
    CycleAction EndFetch();
    CycleAction StartUpdate();
    CycleAction StartSetupDownload();
    CycleAction AfterSetupDownload();
    CycleAction ShutDownProgram();
    CycleAction AskToClose();
    CycleAction EndProgram();
    CycleAction AfterProgramEnded();
    CycleAction AfterSetupDeleted();
    CycleAction RestartAfterFinish(bool yes);
    CycleAction EndUpdate(bool ok, bool toTheEnd);
    CycleAction EndAgentRestart();
    CycleAction StartInform();
    CycleAction AfterInformDownload();
    CycleAction EndInform(bool shown);
    CycleAction EndShot();
    CycleAction EndTick();
    CycleAction Finish();

    // The action of kind, with the trace gathered since the last one, and
    // the stage that takes its answer.
    CycleAction Act(CycleActionKind kind, Stage next);
    CycleAction Act(CycleAction action, Stage next);
    void Trace(const std::string& line) { pending_.trace.push_back(line); }

    std::string Text(AgentString text);
    bool InfoFlag(const IniKey& key, uint8_t override);
    bool ConfirmDownload();
    std::string UpdateBase();
    bool UserCheckRuns() const { return agent_.userCheck == UserCheck::Running; }

    AgentState& agent_;
    DescriptorStore& original_;
    DescriptorStore& info_;
    CycleSettings settings_;
    Stage stage_ = Stage::Idle;
    CycleAction pending_;    // font, console and trace for the next action
    bool endAgent_ = false;  // the tick budget ran out: quit when this tick ends

    // This tick's shot.
    std::string infoError_;
    CheckCode check_ = CheckCode::InfoMissing;
    long long expectedSize_ = 0;

    // The file being fetched.
    FileKind fetchKind_ = FileKind::Info;
    OwnerNotice fetchEndNotice_ = OwnerNotice::InfoFileEnd;
    Stage afterFetch_ = Stage::Idle;
    std::string fetchBase_, fetchName_, fetchSource_, fetchError_;
    bool fetchAborted_ = false;
    bool fetched_ = false;

    // The update, or the news.
    std::string fileName_, programName_, setupPath_, program_, methodText_;
    ShutDown method_ = ShutDown::Unknown;
    bool confirmInstall_ = false;
    bool wasRunning_ = false;
    bool restart_ = false;
    bool setupCompleted_ = false;
};

}  // namespace rv
