#include <gtest/gtest.h>

#include <climits>

#include "autoupdate/update_cycle.h"

namespace rv {
namespace {

TEST(UpdateCycle, ShotTimeStatus) {
    const long long now = 4000000000;
    struct Case {
        bool periodic, forced, testMode;
        long long interval, last;
        int status;
    } cases[] = {
        {true, false, false, 86400, now - 86400, 1},   // the period has passed
        {true, false, false, 86400, now - 86399, 0},   // one second early
        {true, false, false, 0, 0, 2},                 // probe once per run
        {true, false, false, 0, now + 10, 0},          // last probe in the future
        {true, false, false, -1, 0, 0},                // never
        {true, true, false, -1, 0, 1},                 // ...except a forced cycle
        {true, false, false, -5, now, 1},              // any other negative: always due
        {false, false, false, 86400, 0, 0},            // probing stopped
        {false, true, false, 86400, now, 1},           // forced while stopped
        {true, false, true, 86400, now - 5, 1},        // test mode probes every 5 s
        {true, false, true, 86400, now - 4, 0},
        {true, false, false, 86400, LLONG_MAX, 0},  // a last probe at the limit: never overflows into "due"
        {true, false, false, LLONG_MAX, now, 0},
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
    EXPECT_EQ(CheckCodeBeforeSize(ok), kCheckSizeError);

    struct Case {
        const char* what;
        void (*change)(CheckFacts&);
        int code;
    } cases[] = {
        {"no .info", [](CheckFacts& f) { f.infoDownloaded = false; }, kCheckInfoMissing},
        {"no .original", [](CheckFacts& f) { f.versionOriginal = 0; }, kCheckOriginalMissing},
        {"same stamp", [](CheckFacts& f) { f.stampNew = f.stampOriginal; }, kCheckTooEarly},
        {"same stamp, re-ask due", [](CheckFacts& f) { f.stampNew = f.stampOriginal, f.reAskDue = true; }, kCheckSizeError},
        {"same stamp, user asked", [](CheckFacts& f) { f.stampNew = f.stampOriginal, f.userCheck = true; }, kCheckSizeError},
        {"same version", [](CheckFacts& f) { f.versionNew = 4; }, kCheckNotNewer},
        {"older version", [](CheckFacts& f) { f.versionNew = 3; }, kCheckNotNewer},
        {"listed", [](CheckFacts& f) { f.validVersions = "3,4"; }, kCheckSizeError},
        {"listed first", [](CheckFacts& f) { f.validVersions = "4,7"; }, kCheckSizeError},
        {"not listed", [](CheckFacts& f) { f.validVersions = "3,44"; }, kCheckVersionMismatch},
        {"blank in the list", [](CheckFacts& f) { f.validVersions = "3, 4"; }, kCheckVersionMismatch},
        {"not listed, and no .original", [](CheckFacts& f) { f.validVersions = "9", f.versionOriginal = -1; },
         kCheckOriginalMissing},
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
    EXPECT_EQ(CheckCodeBeforeSize(longer), kCheckVersionMismatch);
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

    EXPECT_EQ(CheckResultText(kCheckInfoMissing), "Error downloading .INFO file");
    EXPECT_EQ(CheckResultText(kCheckVersionMismatch), "\"Valid for version\" mismatch");
    EXPECT_EQ(CheckResultText(kCheckOk), "OK");
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
        facts.code = kCheckTooEarly;
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
        const Notice notice = DownloadFailureNotice({c.error, c.source, c.aborted, c.confirm}, "aborted",
                                                    "not found", "unable");
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

    EXPECT_EQ(StoppedState(true, false), 2);
    EXPECT_EQ(StoppedState(true, true), 1);
    EXPECT_EQ(StoppedState(false, false), 0);
    EXPECT_TRUE(RestartsProgram(true, 2));
    EXPECT_FALSE(RestartsProgram(true, 1));
    EXPECT_FALSE(RestartsProgram(false, 2));
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
        const FinishMessage m =
            FinishMessageFor(c.informFinish, c.userCheck, c.restart, "PROG_NAME is up to date.", " Start PROG_NAME again?", "Ed");
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

    TransientOverrides overrides = {kOverrideUnset, 1, 0, kOverrideUnset, kOverrideUnset, 1};
    EXPECT_EQ(AgentRestartCommand("C:\\App\\", "Upd.exe", overrides),
              "C:\\App\\Upd.exe /_ZZ=99 /WAIT=10 /TRANSIENT=|255|1|0|255|255|1|");
}

}  // namespace
}  // namespace rv
