// The extraction driver's decisions: the free-space question, the setup
// program's command line, the alternative temp drive and the exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/command_line.h"

namespace rv {

// A byte count in MB as the prompts show it: 1 decimal above 10 MB,
// 2 from 1 to 10, 3 below 1; negative counts as 0.
std::string MbText(double bytes);

struct SpaceTexts {
    std::string notice, shortage, required, available, question;  // s2 .. s6
};
// The question before extracting, or empty when none is needed: the
// notice when the package always asks, replaced by the shortage text when
// the required space is not below the free space.
std::string FreeSpaceQuestion(bool alwaysNotice, double required, double available, const std::string& drive,
                              const SpaceTexts& texts);

// Deletes a switch from its first occurrence (case-sensitive) up to the
// next "/" or the end.
std::string RemoveSwitch(const std::string& commandLine, const std::string& name);

struct LaunchInputs {
    std::string destination;      // the extraction folder, no trailing backslash
    std::string setupName;        // the marked record's stored name, as checked
    std::string setupParameters;  // what follows the "*" in that record's name item
    std::string commandTail;      // the stub's own arguments
    std::string token;            // "_" + thread id
    std::string ownPath;          // the stub's path
    bool agentProgram = false;    // the stub is the update program
};
// The program is the checked name inside the folder, and nothing else: it
// is the application the system starts, and stands quoted in the line.
ProgramStart SetupCommandLine(const LaunchInputs& in);

// A fixed drive tried for the alternative temp folder.
struct DriveCandidate {
    char letter;
    int64_t freeBytes;  // 0 when its test file could not be written, -1 when unknown
};
// The drive with the most free space (the earlier letter on a tie); 0 when
// it is the temp drive itself or there is none.
char PickAlternativeDrive(const std::vector<DriveCandidate>& drives, char tempDrive);

// Why no setup program ran; the stub's exit code then tells deployment
// tools what happened.
enum class SetupOutcome { Ran, Declined, DiskCancelled, Damaged, ExtractionFailed, NotStarted, AnotherRunning };
int ExitCodeFor(SetupOutcome outcome, int setupExitCode);

}  // namespace rv
