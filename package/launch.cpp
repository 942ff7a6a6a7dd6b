#include "package/launch.h"

#include "base/numbers.h"
#include "base/text.h"

namespace rv {

std::string MbText(double bytes) {
    const double mb = bytes > 0 ? bytes / 1048576.0 : 0.0;
    if (mb > 10) return FixedText(mb, 1);
    if (mb >= 1) return FixedText(mb, 2);
    return FixedText(mb, 3);
}

std::string FreeSpaceQuestion(bool alwaysNotice, double required, double available, const std::string& drive,
                              const SpaceTexts& texts) {
    std::string message = alwaysNotice ? texts.notice : std::string();
    if (required >= available) message = texts.shortage;
    if (message.empty()) return message;
    message += texts.required + texts.available + texts.question;
    message = ReplaceAll(message, "<DRIVE>", drive, false);
    message = ReplaceAll(message, "<SPACE_REQ>", MbText(required), false);
    return ReplaceAll(message, "<SPACE_AVAIL>", MbText(available), false);
}

std::string RemoveSwitch(const std::string& commandLine, const std::string& name) {
    const size_t at = commandLine.find(name);
    if (at == std::string::npos || name.empty()) return commandLine;
    const size_t next = commandLine.find('/', at + 1);
    std::string result = commandLine;
    result.erase(at, next == std::string::npos ? std::string::npos : next - at);
    return result;
}

ProgramStart SetupCommandLine(const LaunchInputs& in) {
    std::string program = in.destination + "\\" + in.setupName;
    for (char& c : program)
        if (c == '/') c = '\\';
    std::string arguments = Trim(in.commandTail + " " + Trim(in.setupParameters));
    arguments += " /TH_ID=" + in.token;
    if (arguments.find("/OriginExe=") == std::string::npos) arguments += " /OriginExe=\"" + in.ownPath + "\"";
    if (in.agentProgram) arguments += " /AutoUpdateProg";
    return ProgramStartFor(program, RemoveSwitch(RemoveSwitch(arguments, "/SpanCdLvl="), "/SpanDiskFName1="));
}

char PickAlternativeDrive(const std::vector<DriveCandidate>& drives, char tempDrive) {
    char best = 0;
    int64_t bestFree = -1;
    for (const DriveCandidate& d : drives) {
        if (d.freeBytes > bestFree) {
            best = d.letter;
            bestFree = d.freeBytes;
        }
    }
    return UpperAscii(best) == UpperAscii(tempDrive) ? 0 : best;
}

int ExitCodeFor(SetupOutcome outcome, int setupExitCode) {
    // Windows Installer's codes where one fits, so that deployment tools
    // read them as they read an MSI's.
    switch (outcome) {
        case SetupOutcome::Ran: return setupExitCode;
        case SetupOutcome::Declined: return 1602;          // the user declined
        case SetupOutcome::DiskCancelled: return 1223;     // a disk prompt was cancelled
        case SetupOutcome::Damaged: return 1620;           // the package is damaged
        case SetupOutcome::ExtractionFailed: return 1603;  // files could not be written
        case SetupOutcome::NotStarted: return 1619;        // no setup program could be started
        case SetupOutcome::AnotherRunning: return 1618;    // another copy of this setup runs
    }
    return 1603;
}

}  // namespace rv
