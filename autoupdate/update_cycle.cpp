#include "autoupdate/update_cycle.h"

#include <climits>

#include "base/numbers.h"
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

int ShotTimeStatus(AgentState& state, long long storedInterval, long long probeLast, long long now) {
    int status = 0;
    if (state.periodicProbing || state.forcedCycle) {
        const long long interval = state.testMode ? 5 : storedInterval;
        status = now >= SaturatingAdd(probeLast, interval) ? 1 : 0;
        if (storedInterval == 0) status *= 2;
        if (storedInterval == -1) status = 0;
        if (state.forcedCycle) status = 1;
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

int CheckCodeBeforeSize(const CheckFacts& f) {
    if (!f.infoDownloaded) return kCheckInfoMissing;
    if (f.versionOriginal <= 0) return kCheckOriginalMissing;
    if (f.stampNew == f.stampOriginal && !f.reAskDue && !f.userCheck) return kCheckTooEarly;
    if (f.versionOriginal >= f.versionNew) return kCheckNotNewer;
    if (!ValidVersionsAccept(f.validVersions, f.versionOriginal)) return kCheckVersionMismatch;
    return kCheckSizeError;
}

std::string CheckResultText(int code) {
    static const char kTexts[] =
        "|Error downloading .INFO file|Error reading .ORIGINAL file|Too early for retesting"
        "|New version is not higher then old version|\"Valid for version\" mismatch|Download file size error|OK|";
    return ListField(kTexts, code);
}

std::string ReplaceProgramName(const std::string& text, const std::string& programName) {
    return ReplaceAll(text, "PROG_NAME", programName, false);
}

namespace {
// A folder named by a drive ("C:...") rather than by a URL.
bool IsDrivePath(const std::string& folder) { return folder.size() >= 2 && folder[1] == ':'; }
bool IsUncPath(const std::string& path) { return path.compare(0, 2, "\\\\") == 0; }
}  // namespace

std::string ShotConfirmationText(const std::string& s22, const std::string& s23, const std::string& s24,
                                 const std::string& folder, bool testMode, const std::string& programName) {
    std::string text = s22;
    if (folder.size() >= 2 && !IsDrivePath(folder)) text += s23;
    text += s24;
    if (testMode) text += "<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!";
    return ReplaceProgramName(text, programName);
}

std::string DownloadQuestionText(const std::string& s11, const std::string& s12, const std::string& s13,
                                 bool confirmInstall, const std::string& programName, bool diagnostic) {
    const std::string text = ReplaceProgramName(s11 + (confirmInstall ? s13 : s12), programName);
    return diagnostic ? ReplaceAll(text, "Download", "DOWNLOAD", false) : text;
}

std::string InstallQuestionText(const std::string& s14, const std::string& programName, bool diagnostic) {
    const std::string text = ReplaceProgramName(s14, programName);
    return diagnostic ? ReplaceAll(text, "install", "INSTALL", false) : text;
}

Notice UserCheckNotice(const UserCheckFacts& f, const std::string& s2, const std::string& s21) {
    if (!f.testMode && !f.connected) return {Notice::Error, s2};
    if (f.testMode || f.downloadError.empty()) {
        std::string text = s21;
        if (f.diagnostic) text += "<P><P>(" + CheckResultText(f.code) + " - " + IntText(f.code) + ")   ";
        return {Notice::Attention, text};
    }
    return {Notice::Error, f.downloadError};
}

Notice DownloadFailureNotice(const DownloadFailureFacts& f, const std::string& s3, const std::string& s4,
                             const std::string& s5) {
    if (f.error.empty() || f.source.size() <= 2 || !f.confirmDownload) return {};
    if (f.aborted) return {Notice::Attention, s3};
    if (!IsDrivePath(f.source) && !IsUncPath(f.source)) return {Notice::Attention, s5 + "<P><P>" + f.source};
    return {Notice::Attention, s4 + "<P><P>" + f.source};
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

int StoppedState(bool wasRunning, bool runsNow) {
    if (wasRunning && !runsNow) return 2;
    return wasRunning ? 1 : 0;
}

bool RestartsProgram(bool restartProcess, int stopped) { return restartProcess && stopped == 2; }

FinishMessage FinishMessageFor(bool informFinish, bool userCheck, bool restart, const std::string& s16,
                               const std::string& s17, const std::string& programName) {
    if (!informFinish && !userCheck) return {};
    if (restart) return {FinishMessage::Question, ReplaceProgramName(s16 + s17, programName)};
    return {FinishMessage::Attention, ReplaceProgramName(s16, programName)};
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
    return agentFolder + updateProgramName + " /_ZZ=99 /WAIT=10 /TRANSIENT=" + OverridesText(overrides);
}

}  // namespace rv
