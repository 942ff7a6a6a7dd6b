// Extraction of a package's file records into a destination folder, volume
// after volume. The engine is portable; the host carries out the file,
// window and user actions (Win32 in the stub, memory in the tests).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "format/byte_source.h"
#include "format/volume_digest.h"

namespace rv {

// One file being written: its content arrives in pieces.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool Write(const uint8_t* data, size_t n) = 0;
    // Closes the file, giving it the packed DOS date and time when not 0.
    virtual bool Close(uint32_t fileDate) = 0;
};

class ExtractionHost {
public:
    virtual ~ExtractionHost() = default;
    virtual bool FileExists(const std::string& path) = 0;
    virtual uint64_t FileSize(const std::string& path) = 0;
    virtual std::unique_ptr<ByteSource> OpenVolume(const std::string& path) = 0;
    // The SHA-256 of a whole volume (the stub asks the system); false when
    // it cannot be computed.
    virtual bool DigestVolume(ByteSource& volume, VolumeDigest& digest) = 0;
    virtual bool CreateFolderTree(const std::string& folder) = 0;
    // Creates the file (and its folders), emptying one that exists, or with
    // `append` opens it at its end.
    virtual std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append) = 0;
    virtual bool WriteWholeFile(const std::string& path, const std::string& data, uint32_t fileDate) = 0;
    virtual uint32_t FileDate(const std::string& path) = 0;
    virtual int64_t NowSeconds1899() = 0;
    // Kind 0 resets progress to a range, kind 1 steps once.
    virtual void Progress(int kind, uint32_t count) = 0;
    // Dispatches waiting window messages, so the window stays alive.
    virtual void Pump() = 0;
    virtual void Wait(unsigned ms) = 0;
    virtual void EnableAutoPlayCancel() = 0;
    virtual void EjectMedium(const std::string& path) = 0;
    // Asks for the given disk; false when the user cancelled.
    virtual bool AskForDisk(int volume) = 0;
    virtual void ShowError(const std::string& markup) = 0;
    // The system's text for the last failed call, and the free bytes of a
    // file's drive, for error details.
    virtual std::string LastErrorText() = 0;
    virtual int64_t FreeBytes(const std::string& path) = 0;  // -1 when unknown
    virtual void Trace(const std::string& line) = 0;
    virtual uint64_t TickMs() = 0;
    // True once the user closed the window: the run stops between pieces.
    virtual bool StopRequested() { return false; }
};

struct ExtractionInputs {
    std::string packagePath;        // first volume
    std::string destination;        // folder, without a trailing backslash
    std::string updateProgramName;  // when set, a fresh update agent is written beside the files
    bool alwaysPrompt = false;      // ask for every further disk
    // In the restart of a package spanned over disks: the launcher it was
    // started from (a copy), whose package names the first volume by digest
    // when our builder made it. Empty on any other start.
    std::string launcherPath;
};

enum class ExtractionFailure {
    None,
    BadChecksum,  // a volume's checksum failed, or the first volume is missing
    Damaged,      // a record that does not decode, a name that leaves the folder, a volume of another package
    WriteFailed,  // a folder or file could not be written
    Cancelled,    // the user cancelled a disk prompt
    Stopped,      // the user closed the window
};

struct ExtractionResult {
    std::string setupName;        // the marked record's stored name, checked; empty: none
    std::string setupParameters;  // what follows its "*"
    bool checksumPassed = false;
    ExtractionFailure failure = ExtractionFailure::None;
    std::string damage;  // what was wrong, for the damaged case
};

ExtractionResult ExtractPackage(const ExtractionInputs& in, ExtractionHost& host);

// The update agent written beside the files: the package up to the end of
// its leading blocks, without a recorded length, with a trailer that marks
// it as the update program and carries the earlier of its time stamp and now.
std::string AgentImage(ByteSource& package, int64_t nowSeconds1899);

}  // namespace rv
