// How one executable decides what it is: a plain setup stub, the update
// program (which only starts its "X_" copy and forwards requests), the
// "X_" copy (the update agent itself), or a spanned package started from
// its medium (which restarts from a "Y_" copy on the hard disk).
#pragma once

#include <string>
#include <vector>

#include "base/command_line.h"

namespace rv {

struct RunModeInputs {
    bool agentFlag = false;         // the trailer marks this file as the update program
    bool spannedFlag = false;       // the trailer marks a package spanned over disks
    std::string ownPath;            // full path of this executable
    std::string updateProgramName;  // update block item 2
    std::string commandTail;        // the command line without the own path
};

struct ModeTests {
    bool plainAgent = false;  // the update program itself
    bool agentCopy = false;   // its "X_" copy
    bool spannedFirstLevel = false;
    bool spannedSecondLevel = false;
};
ModeTests EvaluateModeTests(const RunModeInputs& in);

// ".AutoUpdate." + own name without extensions for the update program and
// its copy; the full own path for a plain stub.
std::string WindowClassName(const RunModeInputs& in);
// The class of the "X_" copy's window, by which a running copy is found.
std::string AgentCopyClassName(const std::string& updateProgramName);

enum class RunAction {
    Nothing,          // a window of this stub exists already: a second start
    StartAgentCopy,   // the update program: make and start the "X_" copy
    RunAgent,         // the "X_" copy: the main window in agent mode
    RestartFromCopy,  // spanned, first start: restart from a "Y_" copy
    RunSetup,         // the main window in setup mode
};

struct RunPlan {
    RunAction action = RunAction::Nothing;
    bool forwardRequests = false;  // the update program forwards switches to its copy
    bool deleteSelf = false;       // the batch file removes this file afterwards
    bool removeFolder = false;     // ... and its folder
    // A setup whose window exists already: another copy of it runs, and
    // this start must not report success.
    bool anotherRunning = false;
};
RunPlan DecideRunPlan(const ModeTests& tests, bool ownWindowExists);

// The package file of a setup run: this file, or in the spanned restart the
// first volume it names. "/SpanDiskFName1=" counts only there (a spanned
// stub started at the second level) and only when it names the ".001"
// beside the stub started first ("/OriginExe="); on any other start a signed
// stub would extract whatever file the command line names.
std::string PackagePath(const RunModeInputs& in);

// The start of the spanned restart, from the "Y_" copy.
ProgramStart SpannedRestartCommand(const std::string& copyPath, const std::string& ownPath,
                                   const std::string& commandTail);
// The arguments the update program passes to its "X_" copy.
std::string AgentCopyArguments(const std::string& commandTail);
// The wait "/WAIT=" asks for, in milliseconds: none for 0 or less, and at
// most what a 32-bit count holds short of the "forever" value.
unsigned long WaitSwitchMs(long long seconds);

// A window message the update program posts to its running copy.
struct ForwardedMessage {
    unsigned message;
    long long wParam;
    long long lParam;
    std::string trace;
};
constexpr unsigned kMsgShutDown = 1123;
constexpr unsigned kMsgLocal = 1124;
constexpr unsigned kMsgAgent = 1125;
std::vector<ForwardedMessage> ForwardedMessages(const std::string& commandTail, const std::string& target,
                                                bool copyWasRunning);

}  // namespace rv
