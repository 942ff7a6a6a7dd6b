// The update cycle's decisions: whether a shot is due, whether an update
// may go ahead (and why not), the texts of the agent's questions and
// notices, the shutdown and restart choices, and the inform file's form.
// The agent's tick in update_cycle_win.cpp feeds them from the
// descriptors, the clock, HTTP and the running processes.
#pragma once

#include <string>

#include "autoupdate/agent_state.h"

namespace rv {

// 0 not due, 1 due, 2 due and probing only once. Consumes the forced cycle.
int ShotTimeStatus(AgentState& state, long long storedInterval, long long probeLast, long long now);

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
// The check's result codes; kCheckOk lets the shot go on.
enum CheckCode {
    kCheckInfoMissing = 0,
    kCheckOriginalMissing = 1,
    kCheckTooEarly = 2,
    kCheckNotNewer = 3,
    kCheckVersionMismatch = 4,
    kCheckSizeError = 5,
    kCheckOk = 6,
};
// The code the tests reach before the size test. The size test comes last
// and may need the network, so it runs only when this is kCheckSizeError;
// passing it gives kCheckOk.
int CheckCodeBeforeSize(const CheckFacts& facts);
std::string CheckResultText(int code);

// The shot confirmation: s22, s23 (only for a URL, not a drive path) and
// s24, the test-mode note, "PROG_NAME" replaced.
std::string ShotConfirmationText(const std::string& s22, const std::string& s23, const std::string& s24,
                                 const std::string& folder, bool testMode, const std::string& programName);

// The questions before downloading and before installing.
std::string DownloadQuestionText(const std::string& s11, const std::string& s12, const std::string& s13,
                                 bool confirmInstall, const std::string& programName, bool diagnostic);
std::string InstallQuestionText(const std::string& s14, const std::string& programName, bool diagnostic);
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
    int code = 0;
    bool diagnostic = false;
};
Notice UserCheckNotice(const UserCheckFacts& facts, const std::string& s2, const std::string& s21);

// The notice after a failed download, told only in interactive updates;
// None when there is nothing to tell.
struct DownloadFailureFacts {
    std::string error;
    std::string source;
    bool aborted = false;
    bool confirmDownload = false;
};
Notice DownloadFailureNotice(const DownloadFailureFacts& facts, const std::string& s3, const std::string& s4,
                             const std::string& s5);

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
// 2 when the program ran and no longer runs, 1 when it still runs, 0 when
// it never ran.
int StoppedState(bool wasRunning, bool runsNow);
bool RestartsProgram(bool restartProcess, int stopped);

// The message after a successful setup.
struct FinishMessage {
    enum Kind { None, Question, Attention } kind = None;
    std::string text;
};
FinishMessage FinishMessageFor(bool informFinish, bool userCheck, bool restart, const std::string& s16,
                               const std::string& s17, const std::string& programName);

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

}  // namespace rv
