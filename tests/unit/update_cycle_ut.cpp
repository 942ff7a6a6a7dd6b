#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <vector>

#include "autoupdate/update_cycle.h"
#include "base/numbers.h"
#include "tests/unit/memory_store.h"

namespace rv {
namespace {

TEST(UpdateCycle, ShotTimeStatus) {
    const long long now = 4000000000;
    struct Case {
        bool periodic, forced, testMode;
        long long interval, last;
        ShotTime status;
    } cases[] = {
        {true, false, false, 86400, now - 86400, ShotTime::Due},     // the period has passed
        {true, false, false, 86400, now - 86399, ShotTime::NotDue},  // one second early
        {true, false, false, 0, 0, ShotTime::DueOnce},               // probe once per run
        {true, false, false, 0, now + 10, ShotTime::NotDue},         // last probe in the future
        {true, false, false, -1, 0, ShotTime::NotDue},               // never
        {true, true, false, -1, 0, ShotTime::Due},                   // ...except a forced cycle
        {true, true, false, 0, 0, ShotTime::Due},                    // a forced cycle never ends probing
        {true, false, false, -5, now, ShotTime::Due},                // any other negative: always due
        {false, false, false, 86400, 0, ShotTime::NotDue},           // probing stopped
        {false, true, false, 86400, now, ShotTime::Due},             // forced while stopped
        {true, false, true, 86400, now - 5, ShotTime::Due},          // test mode probes every 5 s
        {true, false, true, 86400, now - 4, ShotTime::NotDue},
        {true, false, true, 0, now - 5, ShotTime::DueOnce},  // ...and once per run stays once
        {true, false, false, 86400, LLONG_MAX,
         ShotTime::NotDue},  // a last probe at the limit: never overflows into "due"
        {true, false, false, LLONG_MAX, now, ShotTime::NotDue},
    };
    for (const Case& c : cases) {
        AgentState state;
        state.periodicProbing = c.periodic;
        state.forcedCycle = c.forced;
        state.testMode = c.testMode;
        EXPECT_EQ(ShotTimeStatus(state, c.interval, c.last, now), c.status) << c.interval << " " << c.last;
        EXPECT_FALSE(state.forcedCycle);
    }
}

TEST(UpdateCycle, CheckCodeStopsAtTheFirstFailedTest) {
    CheckFacts ok;
    ok.infoDownloaded = true;
    ok.versionOriginal = 4;
    ok.versionNew = 5;
    ok.stampOriginal = 10;
    ok.stampNew = 11;
    EXPECT_EQ(CheckCodeBeforeSize(ok), CheckCode::SizeError);

    struct Case {
        const char* what;
        void (*change)(CheckFacts&);
        CheckCode code;
    } cases[] = {
        {"no .info", [](CheckFacts& f) { f.infoDownloaded = false; }, CheckCode::InfoMissing},
        {"no .original", [](CheckFacts& f) { f.versionOriginal = 0; }, CheckCode::OriginalMissing},
        {"same stamp", [](CheckFacts& f) { f.stampNew = f.stampOriginal; }, CheckCode::TooEarly},
        {"same stamp, re-ask due", [](CheckFacts& f) { f.stampNew = f.stampOriginal, f.reAskDue = true; },
         CheckCode::SizeError},
        {"same stamp, user asked", [](CheckFacts& f) { f.stampNew = f.stampOriginal, f.userCheck = true; },
         CheckCode::SizeError},
        {"same version", [](CheckFacts& f) { f.versionNew = 4; }, CheckCode::NotNewer},
        {"older version", [](CheckFacts& f) { f.versionNew = 3; }, CheckCode::NotNewer},
        {"listed", [](CheckFacts& f) { f.validVersions = "3,4"; }, CheckCode::SizeError},
        {"listed first", [](CheckFacts& f) { f.validVersions = "4,7"; }, CheckCode::SizeError},
        {"not listed", [](CheckFacts& f) { f.validVersions = "3,44"; }, CheckCode::VersionMismatch},
        {"blank in the list", [](CheckFacts& f) { f.validVersions = "3, 4"; }, CheckCode::VersionMismatch},
        {"not listed, and no .original", [](CheckFacts& f) { f.validVersions = "9", f.versionOriginal = -1; },
         CheckCode::OriginalMissing},
    };
    for (const Case& c : cases) {
        CheckFacts facts = ok;
        c.change(facts);
        EXPECT_EQ(CheckCodeBeforeSize(facts), c.code) << c.what;
    }
    CheckFacts longer = ok;
    longer.versionOriginal = 34;
    longer.versionNew = 35;
    longer.validVersions = "3,4";
    EXPECT_EQ(CheckCodeBeforeSize(longer), CheckCode::VersionMismatch);
}

TEST(UpdateCycle, ReAskSizeAndResultTexts) {
    EXPECT_TRUE(ReAskDue(100, 50, 151));
    EXPECT_FALSE(ReAskDue(100, 50, 150));
    EXPECT_FALSE(ReAskDue(0, 0, 1000000));
    EXPECT_FALSE(ReAskDue(0, -10, 1000000));
    EXPECT_FALSE(ReAskDue(LLONG_MAX, 10, 1000000));

    EXPECT_TRUE(SizeTestPasses(1099, 1000));
    EXPECT_TRUE(SizeTestPasses(901, 1000));
    EXPECT_FALSE(SizeTestPasses(1100, 1000));
    EXPECT_FALSE(SizeTestPasses(-1, 1000));  // no Content-Length
    EXPECT_TRUE(SizeTestPasses(-1, 0));      // ...within 100 of an unset size
    EXPECT_FALSE(SizeTestPasses(LLONG_MIN, 1));
    EXPECT_FALSE(SizeTestPasses(LLONG_MAX, -1));

    EXPECT_EQ(CheckResultText(CheckCode::InfoMissing), "Error downloading .INFO file");
    EXPECT_EQ(CheckResultText(CheckCode::VersionMismatch), "\"Valid for version\" mismatch");
    EXPECT_EQ(CheckResultText(CheckCode::Ok), "OK");
}

TEST(UpdateCycle, QuestionTexts) {
    EXPECT_EQ(ShotConfirmationText("Check PROG_NAME", " at the web site", "?", "http://h/u", false, "Ed"),
              "Check Ed at the web site?");
    EXPECT_EQ(ShotConfirmationText("A", "B", "C", "C:\\updates", false, "Ed"), "AC");
    EXPECT_EQ(ShotConfirmationText("A", "B", "C", "x", false, "Ed"), "AC");
    EXPECT_EQ(ShotConfirmationText("A", "B", "C", "\\\\srv\\u", true, "Ed"),
              "ABC<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!");

    EXPECT_EQ(DownloadQuestionText("Download PROG_NAME", " now?", " and then install?", false, "Ed", false),
              "Download Ed now?");
    EXPECT_EQ(DownloadQuestionText("Download PROG_NAME", " now?", " and then install?", true, "Ed", true),
              "DOWNLOAD Ed and then install?");
    EXPECT_EQ(InstallQuestionText("Shall I install PROG_NAME?", "Ed", true), "Shall I INSTALL Ed?");
}

TEST(UpdateCycle, WhatTheUserIsToldAfterACheck) {
    struct Case {
        bool testMode, connected;
        const char* error;
        bool diagnostic;
        Notice::Kind kind;
        const char* text;
    } cases[] = {
        {false, false, "", false, Notice::Error, "offline"},
        {false, false, "oops", false, Notice::Error, "offline"},
        {true, false, "oops", false, Notice::Attention, "nothing new"},
        {false, true, "", false, Notice::Attention, "nothing new"},
        {false, true, "", true, Notice::Attention, "nothing new<P><P>(Too early for retesting - 2)   "},
        {false, true, "404 page", false, Notice::Error, "404 page"},
    };
    for (const Case& c : cases) {
        UserCheckFacts facts;
        facts.testMode = c.testMode;
        facts.connected = c.connected;
        facts.downloadError = c.error;
        facts.code = CheckCode::TooEarly;
        facts.diagnostic = c.diagnostic;
        const Notice notice = UserCheckNotice(facts, "offline", "nothing new");
        EXPECT_EQ(notice.kind, c.kind) << c.text;
        EXPECT_EQ(notice.text, c.text);
    }
}

TEST(UpdateCycle, DownloadFailureNotices) {
    struct Case {
        const char* error;
        const char* source;
        bool aborted, confirm;
        Notice::Kind kind;
        std::string text;
    } cases[] = {
        {"", "http://h/S.exe", false, true, Notice::None, ""},
        {"x", "http://h/S.exe", false, false, Notice::None, ""},  // background updates fail silently
        {"x", "ab", false, true, Notice::None, ""},
        {"x", "http://h/S.exe", true, true, Notice::Attention, "aborted"},
        {"x", "http://h/S.exe", false, true, Notice::Attention, "unable<P><P>http://h/S.exe"},
        {"x", "D:\\u\\S.exe", false, true, Notice::Attention, "not found<P><P>D:\\u\\S.exe"},
        {"x", "\\\\srv\\u\\S.exe", false, true, Notice::Attention, "not found<P><P>\\\\srv\\u\\S.exe"},
    };
    for (const Case& c : cases) {
        const Notice notice =
            DownloadFailureNotice({c.error, c.source, c.aborted, c.confirm}, "aborted", "not found", "unable");
        EXPECT_EQ(notice.kind, c.kind) << c.source;
        EXPECT_EQ(notice.text, c.text);
    }
    EXPECT_EQ(AgentDownloadError("301 moved"), "");
    EXPECT_EQ(AgentDownloadError("File Not Found !"), "File Not Found !");
}

TEST(UpdateCycle, ShutDownAndRestart) {
    EXPECT_EQ(ShutDownMethodOf("Issue a Message Box"), ShutDown::AskUser);
    EXPECT_EQ(ShutDownMethodOf("Using WM_CLOSE"), ShutDown::Close);
    EXPECT_EQ(ShutDownMethodOf("Using WM_QUIT"), ShutDown::Quit);
    EXPECT_EQ(ShutDownMethodOf("Using Terminate Process"), ShutDown::Terminate);
    EXPECT_EQ(ShutDownMethodOf("Don't Shut Down"), ShutDown::DontShutDown);
    EXPECT_EQ(ShutDownMethodOf("using wm_close"), ShutDown::Unknown);  // exact, case-sensitive
    EXPECT_FALSE(WaitsForEnd(ShutDown::DontShutDown));
    EXPECT_TRUE(WaitsForEnd(ShutDown::Close));
    EXPECT_FALSE(WaitsForEnd(ShutDown::Unknown));

    EXPECT_EQ(StoppedState(true, false), Stopped::Ended);
    EXPECT_EQ(StoppedState(true, true), Stopped::StillRuns);
    EXPECT_EQ(StoppedState(false, false), Stopped::NeverRan);
    EXPECT_EQ(StoppedState(false, true), Stopped::NeverRan);  // started by someone else meanwhile
    EXPECT_TRUE(RestartsProgram(true, Stopped::Ended));
    EXPECT_FALSE(RestartsProgram(true, Stopped::StillRuns));
    EXPECT_FALSE(RestartsProgram(true, Stopped::NeverRan));
    EXPECT_FALSE(RestartsProgram(false, Stopped::Ended));
}

TEST(UpdateCycle, FinishMessage) {
    struct Case {
        bool informFinish, userCheck, restart;
        FinishMessage::Kind kind;
        const char* text;
    } cases[] = {
        {false, false, true, FinishMessage::None, ""},
        {true, false, true, FinishMessage::Question, "Ed is up to date. Start Ed again?"},
        {false, true, false, FinishMessage::Attention, "Ed is up to date."},
        {true, true, false, FinishMessage::Attention, "Ed is up to date."},
    };
    for (const Case& c : cases) {
        const FinishMessage m = FinishMessageFor(c.informFinish, c.userCheck, c.restart, "PROG_NAME is up to date.",
                                                 " Start PROG_NAME again?", "Ed");
        EXPECT_EQ(m.kind, c.kind) << c.text;
        EXPECT_EQ(m.text, c.text);
    }
}

TEST(UpdateCycle, InformFileAndRestartCommand) {
    const InformFile file = SplitInformFile("|TOKEN|x|y|News: a|b|c");
    EXPECT_EQ(file.token, "TOKEN");
    EXPECT_EQ(file.body, "News: a|b|c");
    const InformFile shortFile = SplitInformFile("|TOKEN|x");
    EXPECT_EQ(shortFile.token, "TOKEN");
    EXPECT_EQ(shortFile.body, "");
    EXPECT_EQ(SplitInformFile("no bars").token, "");

    TransientOverrides overrides;
    overrides.confirmDownload = 1;
    overrides.confirmInstall = 0;
    overrides.restartProcess = 1;
    EXPECT_EQ(AgentRestartCommand("C:\\App\\", "Upd.exe", overrides),
              "\"C:\\App\\Upd.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=|255|1|0|255|255|1|");
}

// --- Whole cycles through the machine ----------------------------------------

using test::MemoryStore;

void SetText(MemoryStore& store, AgentString text, const std::string& value) {
    const IniKey key = AgentTextKey(text);
    store.Write(key.section, key.key, value);
}

// An installed product at version 1 whose agent probes once per run, and
// an edition 2 on the publisher's server that ends the product with
// WM_CLOSE and starts it again.
struct Agent {
    AgentState state;
    MemoryStore original, info;
    CycleSettings settings;
    std::vector<std::string> trace;
    std::vector<std::string> console;

    Agent() {
        state.timerCount = 0;  // the next tick may shoot
        settings.agentFolder = "C:\\App\\";
        settings.agentSettings = "http://pub/prod";
        settings.descriptorName = "Prod.INFO";
        settings.updateProgram = "ProdUpdate.exe";
        namespace o = original_key;
        original.Set(o::kVersionOriginal, "1");
        original.Set(o::kProbeSecondsInterval, "0");
        original.Set(o::kProgramName, "Prod");
        SetText(original, AgentString::NotConnected, "No connection.");
        SetText(original, AgentString::DownloadQuestion, "Download PROG_NAME?");
        SetText(original, AgentString::InstallQuestion, "Install PROG_NAME?");
        SetText(original, AgentString::CloseProgramRequest, "Please close PROG_NAME.");
        SetText(original, AgentString::UpToDate, "PROG_NAME is up to date.");
        SetText(original, AgentString::RestartQuestion, " Start it again?");
        SetText(original, AgentString::NothingNew, "No update for you.");
        SetText(original, AgentString::ShotConfirm, "Look for a new PROG_NAME?");
        namespace i = info_key;
        info.Set(i::kDownloadUrlUpdate, "http://pub/prod");
        info.Set(i::kNameOfUpdateFile, "NewSetup.exe");
        info.Set(i::kSizeOfUpdateFile, "1000");
        info.Set(i::kVersionNew, "2");
        info.Set(i::kStamp, "7");
        info.Set(i::kShutDownMethod, "Using WM_CLOSE");
        info.Set(i::kRestartProcess, "1");
        info.Set(i::kProgramName, "Prod");
        info.Set(i::kRunningProcess, "<InstallDir>Prod.exe");
    }

    // The news edition instead of the setup.
    void PublishNews() {
        namespace i = info_key;
        info.Set(i::kAutoInform, "1");
        info.Set(i::kNameOfInformFile, "News.txt");
        info.Set(i::kSizeOfInformFile, "300");
        info.Set(i::kAutoInformWidth, "420");
        info.Set(i::kDownloadUrlInform, "http://pub/news.html");
    }
};

// Events, as the agent's window answers.
CycleEvent Ev(CycleEventKind kind) { return CycleEvent::Of(kind); }
CycleEvent Tick() { return Ev(CycleEventKind::Tick); }
CycleEvent Done() { return Ev(CycleEventKind::Done); }
CycleEvent Answer(bool yes) {
    CycleEvent e = Ev(CycleEventKind::Answered);
    e.yes = yes;
    return e;
}
CycleEvent Fetched(const std::string& source, const std::string& error = "", bool aborted = false) {
    CycleEvent e = Ev(CycleEventKind::Fetched);
    e.source = source;
    e.error = error;
    e.aborted = aborted;
    return e;
}
CycleEvent Token(bool matches) {
    CycleEvent e = Ev(CycleEventKind::TokenChecked);
    e.matches = matches;
    if (!matches) e.refusal = "Bad Secret Token!";
    return e;
}
CycleEvent Size(long long size) {
    CycleEvent e = Ev(CycleEventKind::SizeMeasured);
    e.size = size;
    e.source = "http://pub/prod/NewSetup.exe";
    return e;
}
CycleEvent Found(bool running) {
    CycleEvent e = Ev(CycleEventKind::ProgramFound);
    e.path = "C:\\App\\Prod.exe";
    e.running = running;
    return e;
}
CycleEvent Running(bool running) {
    CycleEvent e = Ev(CycleEventKind::ProgramChecked);
    e.running = running;
    return e;
}
CycleEvent SetupRan(bool completed) {
    CycleEvent e = Ev(CycleEventKind::SetupFinished);
    e.completed = completed;
    return e;
}
CycleEvent InformText(const std::string& text) {
    CycleEvent e = Ev(CycleEventKind::InformRead);
    e.text = text;
    return e;
}
CycleEvent InformShown(bool shown) {
    CycleEvent e = Ev(CycleEventKind::InformClosed);
    e.shown = shown;
    return e;
}
CycleEvent Connected(bool connected) {
    CycleEvent e = Ev(CycleEventKind::Connection);
    e.connected = connected;
    return e;
}

const char* FileName(FileKind kind) {
    switch (kind) {
        case FileKind::Info: return "Info";
        case FileKind::Setup: return "Setup";
        case FileKind::Inform: return "Inform";
    }
    return "?";
}

const char* NoticeName(OwnerNotice notice) {
    static const char* const kNames[] = {"InfoFileStart", "InfoFileEnd", "DownloadStart",
                                         "DownloadEnd",   "SetupStart",  "SetupEnd"};
    return kNames[static_cast<int>(notice)];
}

const char* MethodName(ShutDown method) {
    static const char* const kNames[] = {"AskUser", "Close", "Quit", "Terminate", "DontShutDown", "Unknown"};
    return kNames[static_cast<int>(method)];
}

// An action in one line, as the tables expect it.
std::string Describe(const CycleAction& a) {
    const std::string owner = a.owner == BoxOwner::WithoutHeading ? "/NoHeading" : "";
    switch (a.kind) {
        case CycleActionKind::None: return "None";
        case CycleActionKind::ReadTestMode: return a.force ? "ReadTestMode force" : "ReadTestMode";
        case CycleActionKind::Ask: return "Ask" + owner + ": " + a.text;
        case CycleActionKind::ShowNotice:
            return std::string(a.notice.kind == Notice::Error ? "Error" : "Attention") + owner + ": " + a.notice.text;
        case CycleActionKind::NotifyOwner: return std::string("Notify ") + NoticeName(a.ownerNotice);
        case CycleActionKind::FetchFile:
            return std::string("Fetch ") + FileName(a.file) + " " + a.base + " " + a.name +
                   (a.showProgress ? " shown" : "") + (a.overHttp ? "" : " folder only");
        case CycleActionKind::CheckToken: return std::string("CheckToken ") + FileName(a.file) + " " + a.path;
        case CycleActionKind::RemoveFile: return "Delete " + a.path;
        case CycleActionKind::MeasureSize:
            return "MeasureSize " + a.base + " " + a.name + (a.overHttp ? "" : " folder only");
        case CycleActionKind::FindProgram: return "FindProgram " + a.path;
        case CycleActionKind::CheckProgram: return "CheckProgram " + a.path;
        case CycleActionKind::EndProgram: return std::string("EndProgram ") + MethodName(a.method) + " " + a.path;
        case CycleActionKind::RunSetup: return "RunSetup " + a.path + (a.showProgress ? " shown" : " hidden");
        case CycleActionKind::StartProgram: return "Start " + a.path;
        case CycleActionKind::ReadInformFile: return "ReadInform " + a.path;
        case CycleActionKind::ShowInform:
            return "ShowInform " + a.inform.title + " " + IntText(a.inform.width) + "x" + IntText(a.inform.height) +
                   " " + a.inform.link + ": " + a.inform.body;
        case CycleActionKind::EndUserCheck: return "EndUserCheck";
        case CycleActionKind::CheckConnection: return "CheckConnection";
        case CycleActionKind::RestartAgent: return "RestartAgent " + a.path;
        case CycleActionKind::CloseWindow: return "CloseWindow";
    }
    return "?";
}

struct Turn {
    CycleEvent event;
    std::string action;  // what the machine answers, described
};
using Script = std::vector<Turn>;

Script operator+(Script a, const Script& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr long long kNow = 4000000000;

// Plays the script as the agent's window would: every tick on a fresh
// machine, every other event to the machine of the running tick. Stops at
// the first answer that differs.
void Play(Agent& agent, const Script& script, const std::string& name) {
    std::unique_ptr<UpdateCycle> cycle;
    long long now = kNow;
    for (size_t n = 0; n < script.size(); ++n) {
        CycleEvent event = script[n].event;
        event.now = now++;
        if (event.kind == CycleEventKind::Tick)
            cycle.reset(new UpdateCycle(agent.state, agent.original, agent.info, agent.settings));
        const CycleAction action = cycle->Step(event);
        agent.trace.insert(agent.trace.end(), action.trace.begin(), action.trace.end());
        if (!action.console.empty()) agent.console.push_back(action.console);
        if (Describe(action) != script[n].action) {
            ADD_FAILURE() << name << ", turn " << n << ":\n  expected " << script[n].action << "\n  actual   "
                          << Describe(action);
            return;
        }
    }
    EXPECT_FALSE(agent.state.inTick) << name;
    EXPECT_EQ(agent.state.phase, AgentPhase::Idle) << name;
}

bool Traced(const Agent& agent, const std::string& line) {
    for (const std::string& t : agent.trace)
        if (t == line) return true;
    return false;
}

// The parts of a cycle, each ending with the action that the next part's
// first event answers.
const Script kToInfoFile = {
    {Tick(), "ReadTestMode"},
    {Done(), "ReadTestMode force"},
    {Done(), "Notify InfoFileStart"},
    {Done(), "Fetch Info http://pub/prod Prod.INFO"},
    {Fetched("http://pub/prod/Prod.INFO"), "Notify InfoFileEnd"},
};
const Script kToSetupFile = {
    {Done(), "MeasureSize http://pub/prod NewSetup.exe"},
    {Size(1000), "Notify DownloadStart"},
    {Done(), "Fetch Setup http://pub/prod NewSetup.exe"},
    {Fetched("http://pub/prod/NewSetup.exe"), "CheckToken Setup C:\\App\\NewSetup.exe"},
    {Token(true), "Notify DownloadEnd"},
};
const Script kToSetup = {
    {Done(), "FindProgram <InstallDir>Prod.exe"},
    {Found(true), "EndProgram Close C:\\App\\Prod.exe"},
    {Done(), "CheckProgram C:\\App\\Prod.exe"},
    {Running(false), "Notify SetupStart"},
};
const Script kSetupRuns = {
    {Done(), "RunSetup C:\\App\\NewSetup.exe shown"},
    {SetupRan(true), "Notify SetupEnd"},
    {Done(), "Delete C:\\App\\NewSetup.exe"},
};
const Script kRestartsBoth = {
    {Done(), "Start \"C:\\App\\Prod.exe\""},
    {Done(), "RestartAgent \"C:\\App\\ProdUpdate.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=|255|255|255|255|255|255|"},
    {Done(), "CloseWindow"},
    {Done(), "None"},
};
const Script kToNewsFile = {
    {Done(), "MeasureSize http://pub/prod News.txt"},
    {Size(300), "Notify DownloadStart"},
    {Done(), "Fetch Inform http://pub/prod News.txt"},
    {Fetched("http://pub/prod/News.txt"), "CheckToken Inform C:\\App\\News.txt"},
};

TEST(UpdateCycleMachine, FullUpdateTracesEveryStep) {
    Agent agent;
    Play(agent, kToInfoFile + kToSetupFile + kToSetup + kSetupRuns + kRestartsBoth, "full update");
    EXPECT_EQ(agent.original.Get(original_key::kVersionOriginal), "2");
    EXPECT_EQ(agent.original.Get(original_key::kStamp), "7");
    EXPECT_EQ(agent.original.Get(original_key::kProbeSecondsLast), IntText(kNow + 5));
    EXPECT_EQ(agent.original.Get(original_key::kReAskSecondsLast), IntText(kNow + 6));
    EXPECT_FALSE(agent.state.periodicProbing);  // an interval of 0: once per run
    EXPECT_EQ(agent.console, std::vector<std::string>{" GetOkToPerformAU=6"});
    const std::vector<std::string> expected = {
        " AutoUpdateTimerCount=1",
        " ShotTimeStatus=2",
        " Fire  " + ReadableSeconds(kNow + 1),
        "GetOkToPerformAU = 6 - OK",
        " ==== PerformShot-1 ====",
        "PerformAutoUpdate() - START",
        " ==== PerformAutoUpdate-4 ====",
        " ==== PerformAutoUpdate-5 ====",
        " ==== PerformAutoUpdate-6 ====",
        " ==== PerformAutoUpdate-7 ====",
        "Shut Down Process() - START  (C:\\App\\Prod.exe)  Method: Using WM_CLOSE",
        " ==== PerformAutoUpdate-8 ====",
        " ==== PerformAutoUpdate-9 ====",
        "Shut Down Process() - END",
        " ==== PerformAutoUpdate-10 ====",
        " ==== PerformAutoUpdate-11 ====",
        " ==== PerformAutoUpdate-12 ====",
        "PerformAutoUpdate() - END    Result=TRUE",
        ".. ReStartAutoUpdateExe() - Start",
        ".. WinExec - \"C:\\App\\ProdUpdate.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=|255|255|255|255|255|255|",
        ".. PostMessage(WM_DESTROY)",
        ".. ReStartAutoUpdateExe() - End",
        " ==== PerformShot-2 ====",
    };
    EXPECT_EQ(agent.trace, expected);
}

TEST(UpdateCycleMachine, PhasesAndFontFollowTheCycle) {
    Agent agent;
    UpdateCycle cycle(agent.state, agent.original, agent.info, agent.settings);
    const Script script = kToInfoFile + kToSetupFile + kToSetup + kSetupRuns + kRestartsBoth;
    std::map<std::string, AgentPhase> phases;
    for (size_t n = 0; n < script.size(); ++n) {
        const CycleAction action = cycle.Step(script[n].event);
        EXPECT_EQ(action.applyFont, n == 0) << n;
        EXPECT_FALSE(action.quit);
        phases[Describe(action).substr(0, 12)] = agent.state.phase;
        // A tick that arrives while a box or a wait pumps messages.
        const long long timerCount = agent.state.timerCount;
        if (action.kind != CycleActionKind::None) {
            UpdateCycle nested(agent.state, agent.original, agent.info, agent.settings);
            EXPECT_EQ(nested.Step(Tick()).kind, CycleActionKind::None);
            EXPECT_EQ(cycle.Step(Tick()).kind, CycleActionKind::None);
        }
        EXPECT_EQ(agent.state.timerCount, timerCount);
    }
    EXPECT_EQ(phases["Fetch Info h"], AgentPhase::InfoDownload);
    EXPECT_EQ(phases["Fetch Setup "], AgentPhase::UpdateDownload);
    EXPECT_EQ(phases["RunSetup C:\\"], AgentPhase::Installing);
    EXPECT_EQ(phases["None"], AgentPhase::Idle);
    EXPECT_FALSE(agent.state.inTick);
}

// Cycles that end before the setup runs, or that take another way.
TEST(UpdateCycleMachine, Cycles) {
    const Script kNotNewer = {{Done(), "None"}};
    struct Case {
        const char* name;
        void (*setup)(Agent&);
        Script script;
        const char* versionAfter;
        std::vector<std::string> traced;
    } cases[] = {
        {"the first shot waits for the start ticks, then probes once",
         [](Agent& a) {
             a.state.timerCount = -3;
             a.original.Set(original_key::kVersionOriginal, "2");
         },
         Script{{Tick(), "None"}, {Tick(), "None"}, {Tick(), "None"}} + kToInfoFile + kNotNewer +
             Script{{Tick(), "ReadTestMode"}, {Done(), "None"}},
         "2",
         {" AutoUpdateTimerCount=-2", " AutoUpdateTimerCount=0", " AutoUpdateTimerCount=1", " ShotTimeStatus=2",
          " AutoUpdateTimerCount=2", " ShotTimeStatus=0"}},
        {"too early: the edition was seen already",
         [](Agent& a) { a.original.Set(original_key::kStamp, "7"); },
         kToInfoFile + Script{{Done(), "None"}},
         "1",
         {"GetOkToPerformAU = 2 - Too early for retesting"}},
        {"not higher",
         [](Agent& a) { a.original.Set(original_key::kVersionOriginal, "2"); },
         kToInfoFile + kNotNewer,
         "2",
         {"GetOkToPerformAU = 3 - New version is not higher then old version"}},
        {"no .info file: quiet",
         [](Agent&) {},
         Script{{Tick(), "ReadTestMode"},
                {Done(), "ReadTestMode force"},
                {Done(), "Notify InfoFileStart"},
                {Done(), "Fetch Info http://pub/prod Prod.INFO"},
                {Fetched("http://pub/prod/Prod.INFO", "404"), "Notify InfoFileEnd"},
                {Done(), "None"}},
         "1",
         {"GetOkToPerformAU = 0 - Error downloading .INFO file"}},
        {"size test fails",
         [](Agent&) {},
         kToInfoFile + Script{{Done(), "MeasureSize http://pub/prod NewSetup.exe"}, {Size(1100), "None"}},
         "1",
         {"  InfoSize=1000", "  HttpSize=1100", "  URL=http://pub/prod/NewSetup.exe",
          "GetOkToPerformAU = 5 - Download file size error"}},
        {"confirmation before the shot declined: nothing fetched",
         [](Agent& a) { a.state.overrides.askBeforeShot = 1; },
         Script{{Tick(), "ReadTestMode"}, {Done(), "Ask/NoHeading: Look for a new Prod?"}, {Answer(false), "None"}},
         "1",
         {" ShotTimeStatus=2"}},
        {"a user check declined, then over",
         [](Agent& a) { a.state.userCheck = UserCheck::Requested; },
         Script{{Tick(), "ReadTestMode"}, {Done(), "Ask/NoHeading: Look for a new Prod?"}, {Answer(false), "None"}},
         "1",
         {}},
        {"a user check finds nothing new",
         [](Agent& a) {
             a.state.userCheck = UserCheck::Requested;
             a.original.Set(original_key::kVersionOriginal, "2");
         },
         Script{{Tick(), "ReadTestMode"},
                {Done(), "Ask/NoHeading: Look for a new Prod?"},
                {Answer(true), "ReadTestMode force"},
                {Done(), "Notify InfoFileStart"},
                {Done(), "Fetch Info http://pub/prod Prod.INFO"},
                {Fetched("http://pub/prod/Prod.INFO"), "Notify InfoFileEnd"},
                {Done(), "EndUserCheck"},
                {Done(), "CheckConnection"},
                {Connected(true), "Attention/NoHeading: No update for you."},
                {Done(), "None"}},
         "2",
         {" TestMode=FALSE InternetConnected=TRUE"}},
        {"a user check offline",
         [](Agent& a) { a.state.userCheck = UserCheck::Requested; },
         Script{{Tick(), "ReadTestMode"},
                {Done(), "Ask/NoHeading: Look for a new Prod?"},
                {Answer(true), "ReadTestMode force"},
                {Done(), "Notify InfoFileStart"},
                {Done(), "Fetch Info http://pub/prod Prod.INFO"},
                {Fetched("http://pub/prod/Prod.INFO", "no route"), "Notify InfoFileEnd"},
                {Done(), "EndUserCheck"},
                {Done(), "CheckConnection"},
                {Connected(false), "Error: No connection."},
                {Done(), "None"}},
         "1",
         {}},
        {"download declined",
         [](Agent& a) { a.info.Set(info_key::kConfirmBeforeDownload, "1"); },
         kToInfoFile + Script{{Done(), "MeasureSize http://pub/prod NewSetup.exe"},
                              {Size(1000), "Ask: Download Prod?"},
                              {Answer(false), "None"}},
         "1",
         {"PerformAutoUpdate() - END    Result=FALSE", " ==== PerformShot-2 ===="}},
        {"download asked for by override and failed: told, with where from",
         [](Agent& a) { a.state.overrides.confirmDownload = 1; },
         kToInfoFile + Script{{Done(), "MeasureSize http://pub/prod NewSetup.exe"},
                              {Size(1000), "Ask: Download Prod?"},
                              {Answer(true), "Notify DownloadStart"},
                              {Done(), "Fetch Setup http://pub/prod NewSetup.exe shown"},
                              {Fetched("http://pub/prod/NewSetup.exe", "404"),
                               "Attention: Unable to Download File!<P><P>http://pub/prod/NewSetup.exe"},
                              {Done(), "Notify DownloadEnd"},
                              {Done(), "None"}},
         "1",
         {"ATTENTION: Unable to Download File!<P><P>http://pub/prod/NewSetup.exe"}},
        {"a background download that fails is not told",
         [](Agent&) {},
         kToInfoFile + Script{{Done(), "MeasureSize http://pub/prod NewSetup.exe"},
                              {Size(1000), "Notify DownloadStart"},
                              {Done(), "Fetch Setup http://pub/prod NewSetup.exe"},
                              {Fetched("http://pub/prod/NewSetup.exe", "404"), "Notify DownloadEnd"},
                              {Done(), "None"}},
         "1",
         {"PerformAutoUpdate() - END    Result=FALSE"}},
        {"token refused: deleted, one error box, nothing runs",
         [](Agent&) {},
         kToInfoFile + Script{{Done(), "MeasureSize http://pub/prod NewSetup.exe"},
                              {Size(1000), "Notify DownloadStart"},
                              {Done(), "Fetch Setup http://pub/prod NewSetup.exe"},
                              {Fetched("http://pub/prod/NewSetup.exe"), "CheckToken Setup C:\\App\\NewSetup.exe"},
                              {Token(false), "Delete C:\\App\\NewSetup.exe"},
                              {Done(), "Error: Bad Secret Token!"},
                              {Done(), "Notify DownloadEnd"},
                              {Done(), "None"}},
         "1",
         {"ERROR: Bad Secret Token!", "PerformAutoUpdate() - END    Result=FALSE"}},
        {"install declined: the setup is deleted",
         [](Agent& a) { a.info.Set(info_key::kConfirmBeforeInstall, "1"); },
         kToInfoFile + kToSetupFile +
             Script{{Done(), "Ask: Install Prod?"}, {Answer(false), "Delete C:\\App\\NewSetup.exe"}, {Done(), "None"}},
         "1",
         {"PerformAutoUpdate() - END    Result=FALSE"}},
        {"a setup that does not complete: the version stays",
         [](Agent&) {},
         kToInfoFile + kToSetupFile + kToSetup +
             Script{{Done(), "RunSetup C:\\App\\NewSetup.exe shown"},
                    {SetupRan(false), "Notify SetupEnd"},
                    {Done(), "Delete C:\\App\\NewSetup.exe"},
                    {Done(), "None"}},
         "1",
         {" ==== PerformAutoUpdate-12 ====", "PerformAutoUpdate() - END    Result=FALSE"}},
        {"a background update with a budget of ticks: no window, no restart of the agent",
         [](Agent& a) {
             a.info.Set(info_key::kBackgroundUpdate, "1");
             a.state.tickBudget = 40;
         },
         kToInfoFile + kToSetupFile + kToSetup +
             Script{{Done(), "RunSetup C:\\App\\NewSetup.exe hidden"},
                    {SetupRan(true), "Notify SetupEnd"},
                    {Done(), "Delete C:\\App\\NewSetup.exe"},
                    {Done(), "Start \"C:\\App\\Prod.exe\""},
                    {Done(), "None"}},
         "2",
         {".. ReStartAutoUpdateExe() - Start", ".. ReStartAutoUpdateExe() - End"}},
        {"inform finish: asked before the restart, declined",
         [](Agent& a) { a.info.Set(info_key::kInformFinish, "1"); },
         kToInfoFile + kToSetupFile + kToSetup + kSetupRuns +
             Script{{Done(), "Ask/NoHeading: Prod is up to date. Start it again?"},
                    {Answer(false),
                     "RestartAgent \"C:\\App\\ProdUpdate.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=|255|255|255|255|255|255|"},
                    {Done(), "CloseWindow"},
                    {Done(), "None"}},
         "2",
         {}},
        {"the overrides travel with the agent's restart",
         [](Agent& a) {
             a.state.overrides.confirmInstall = 0;
             a.state.overrides.restartProcess = 0;
             a.info.Set(info_key::kConfirmBeforeInstall, "1");
         },
         kToInfoFile + kToSetupFile + kToSetup + kSetupRuns +
             Script{
                 {Done(), "RestartAgent \"C:\\App\\ProdUpdate.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=|255|255|0|255|255|0|"},
                 {Done(), "CloseWindow"},
                 {Done(), "None"}},
         "2",
         {}},
        {"test mode: from the test folder, never over HTTP",
         [](Agent& a) {
             a.state.testMode = true;
             a.state.testUrl = "D:\\published";
             a.state.tickBudget = 40;
             a.info.Set(info_key::kShutDownMethod, "Don't Shut Down");
         },
         Script{{Tick(), "ReadTestMode"},
                {Done(), "ReadTestMode force"},
                {Done(), "Notify InfoFileStart"},
                {Done(), "Fetch Info D:\\published Prod.INFO folder only"},
                {Fetched("D:\\published\\Prod.INFO"), "Notify InfoFileEnd"},
                {Done(), "MeasureSize D:\\published NewSetup.exe folder only"},
                {Size(1000), "Notify DownloadStart"},
                {Done(), "Fetch Setup D:\\published NewSetup.exe folder only"},
                {Fetched("D:\\published\\NewSetup.exe"), "CheckToken Setup C:\\App\\NewSetup.exe"},
                {Token(true), "Notify DownloadEnd"},
                {Done(), "FindProgram <InstallDir>Prod.exe"},
                {Found(false), "CheckProgram C:\\App\\Prod.exe"},
                {Running(false), "Notify SetupStart"}} +
             kSetupRuns + Script{{Done(), "None"}},
         "2",
         {}},
        {"just the .info file, on request, once",
         [](Agent& a) {
             a.state.justDownloadInfo = true;
             a.original.Set(original_key::kProbeSecondsInterval, "-1");
         },
         Script{{Tick(), "Notify InfoFileStart"},
                {Done(), "Fetch Info http://pub/prod Prod.INFO"},
                {Fetched("http://pub/prod/Prod.INFO"), "Notify InfoFileEnd"},
                {Done(), "None"},
                {Tick(), "ReadTestMode"},
                {Done(), "None"}},
         "1",
         {"-------------- JustDownloadInfoFile ---------------"}},
        {"news: shown once, and the version taken over",
         [](Agent& a) { a.PublishNews(); },
         kToInfoFile + kToNewsFile +
             Script{{Token(true), "Notify DownloadEnd"},
                    {Done(), "ReadInform C:\\App\\News.txt"},
                    {InformText("|tok|x|y|Version 2 is out|really"),
                     "ShowInform New Version 420x360 http://pub/news.html: Version 2 is out|really"},
                    {InformShown(true), "None"}},
         "2",
         {"PerformAutoInform() - START ", " ==== PerformAutoInform-4 ====", "PerformAutoInform() - END TRUE",
          " ==== PerformShot-2 ===="}},
        {"news not shown: the version stays",
         [](Agent& a) { a.PublishNews(); },
         kToInfoFile + kToNewsFile +
             Script{{Token(true), "Notify DownloadEnd"},
                    {Done(), "ReadInform C:\\App\\News.txt"},
                    {InformText(""), "ShowInform New Version 420x360 http://pub/news.html: "},
                    {InformShown(false), "None"}},
         "1",
         {"PerformAutoInform() - END FALSE"}},
        {"news of another product: refused and deleted",
         [](Agent& a) { a.PublishNews(); },
         kToInfoFile + kToNewsFile +
             Script{{Token(false), "Delete C:\\App\\News.txt"},
                    {Done(), "Error: Bad Secret Token!"},
                    {Done(), "Notify DownloadEnd"},
                    {Done(), "None"}},
         "1",
         {"PerformAutoInform() - END FALSE"}},
        {"news without a file name: nothing fetched",
         [](Agent& a) {
             a.PublishNews();
             a.info.Set(info_key::kNameOfInformFile, "");
         },
         kToInfoFile + Script{{Done(), "MeasureSize http://pub/prod "}, {Size(300), "None"}},
         "1",
         {"PerformAutoInform() - END FALSE"}},
    };
    for (const Case& c : cases) {
        Agent agent;
        c.setup(agent);
        Play(agent, c.script, c.name);
        EXPECT_EQ(agent.original.Get(original_key::kVersionOriginal), c.versionAfter) << c.name;
        for (const std::string& line : c.traced) EXPECT_TRUE(Traced(agent, line)) << c.name << ": " << line;
        EXPECT_EQ(agent.state.userCheck, UserCheck::None) << c.name;
    }
}

// Each way of ending the product, with the product ending or not: the
// setup runs either way, and only a product seen to end is started again.
TEST(UpdateCycleMachine, ShutDownMethods) {
    const Script kRestartsProduct = {{Done(), "Start \"C:\\App\\Prod.exe\""}, {Done(), "None"}};
    const Script kLeavesProduct = {{Done(), "None"}};
    struct Case {
        const char* method;
        bool restartProcess;
        Script shutDown;  // from finding the program to the setup's start notice
        Script after;
    } cases[] = {
        {"Using WM_CLOSE",
         true,
         {{Found(true), "EndProgram Close C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "Notify SetupStart"}},
         kRestartsProduct},
        {"Using WM_CLOSE",
         true,
         {{Found(true), "EndProgram Close C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(true), "Notify SetupStart"}},
         kLeavesProduct},
        {"Using WM_CLOSE",
         true,  // not running: asked to end all the same, never started
         {{Found(false), "EndProgram Close C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "Notify SetupStart"}},
         kLeavesProduct},
        {"Using WM_CLOSE",
         false,
         {{Found(true), "EndProgram Close C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "Notify SetupStart"}},
         kLeavesProduct},
        {"Using WM_QUIT",
         true,
         {{Found(true), "EndProgram Quit C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "Notify SetupStart"}},
         kRestartsProduct},
        {"Using WM_QUIT",
         true,
         {{Found(true), "EndProgram Quit C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(true), "Notify SetupStart"}},
         kLeavesProduct},
        {"Using Terminate Process",
         true,
         {{Found(true), "EndProgram Terminate C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "Notify SetupStart"}},
         kRestartsProduct},
        {"Using Terminate Process",
         true,
         {{Found(true), "EndProgram Terminate C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(true), "Notify SetupStart"}},
         kLeavesProduct},
        {"Issue a Message Box",
         true,  // asked until the user has closed it
         {{Found(true), "Attention: Please close Prod.exe."},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(true), "Attention: Please close Prod.exe."},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "EndProgram AskUser C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "Notify SetupStart"}},
         kRestartsProduct},
        {"Issue a Message Box",
         true,  // not running: nothing to ask
         {{Found(false), "EndProgram AskUser C:\\App\\Prod.exe"},
          {Done(), "CheckProgram C:\\App\\Prod.exe"},
          {Running(false), "Notify SetupStart"}},
         kLeavesProduct},
        {"Don't Shut Down",
         true,
         {{Found(true), "CheckProgram C:\\App\\Prod.exe"}, {Running(true), "Notify SetupStart"}},
         kLeavesProduct},
        {"using wm_close",
         true,  // a method the agent does not know leaves it running
         {{Found(true), "CheckProgram C:\\App\\Prod.exe"}, {Running(true), "Notify SetupStart"}},
         kLeavesProduct},
    };
    for (const Case& c : cases) {
        Agent agent;
        agent.state.tickBudget = 40;
        agent.info.Set(info_key::kShutDownMethod, c.method);
        agent.info.Set(info_key::kRestartProcess, c.restartProcess ? "1" : "0");
        const std::string name = std::string(c.method) + (c.restartProcess ? "" : ", no restart");
        Play(agent,
             kToInfoFile + kToSetupFile + Script{{Done(), "FindProgram <InstallDir>Prod.exe"}} + c.shutDown +
                 kSetupRuns + c.after,
             name);
        EXPECT_EQ(agent.original.Get(original_key::kVersionOriginal), "2") << name;
        EXPECT_TRUE(Traced(agent, "Shut Down Process() - START  (C:\\App\\Prod.exe)  Method: " + std::string(c.method)))
            << name;
    }
}

TEST(UpdateCycleMachine, TickCountersAndBudget) {
    Agent agent;
    agent.state.timerCount = -1;
    agent.state.tickBudget = 0;
    UpdateCycle cycle(agent.state, agent.original, agent.info, agent.settings);
    const CycleAction action = cycle.Step(Tick());
    EXPECT_EQ(action.kind, CycleActionKind::None);
    EXPECT_TRUE(action.quit);
    EXPECT_TRUE(action.applyFont);
    EXPECT_EQ(action.trace, std::vector<std::string>{" AutoUpdateTimerCount=0"});
    // An answer with no question asked is no step.
    EXPECT_EQ(cycle.Step(Done()).kind, CycleActionKind::None);
    EXPECT_FALSE(agent.state.inTick);
}

// The tick in which the budget runs out still takes its shot. Its boxes and
// waits pump messages, so the quit may only go out with the tick's last
// action; and a spent budget must not turn into an unlimited one.
TEST(UpdateCycleMachine, ASpentBudgetEndsTheAgentWhenItsTickEnds) {
    Agent agent;
    agent.state.tickBudget = 0;
    agent.original.Set(original_key::kVersionOriginal, "2");
    const Script script = kToInfoFile + Script{{Done(), "None"}};
    UpdateCycle cycle(agent.state, agent.original, agent.info, agent.settings);
    for (size_t n = 0; n < script.size(); ++n) {
        const CycleAction action = cycle.Step(script[n].event);
        ASSERT_EQ(Describe(action), script[n].action) << n;
        EXPECT_EQ(action.quit, n + 1 == script.size()) << n;
    }
    UpdateCycle next(agent.state, agent.original, agent.info, agent.settings);
    CycleAction action = next.Step(Tick());
    for (int n = 0; action.kind != CycleActionKind::None && n < 10; ++n) {
        EXPECT_FALSE(action.quit) << Describe(action);
        action = next.Step(Done());
    }
    EXPECT_TRUE(action.quit);
    EXPECT_EQ(agent.state.tickBudget, 0);
}

}  // namespace
}  // namespace rv
