// File and system utilities over Win32: sizes, partial reads, whole-file
// writes with progress, free space, deletions, the self-deleting batch file,
// media ejection, owner notices and the two progress bars.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/command_line.h"
#include "base/handle_win.h"

namespace rv {

// Starts a program with a window show mode (SW_HIDE, SW_SHOW, ...); the
// process handle, empty when it could not be started. The application is
// the program's full path: nothing is searched, and a start without one is
// refused.
KernelHandle StartProgram(const ProgramStart& start, int show, const char* folder = nullptr);

uint64_t FileSizeOf(const std::string& fileName);
uint64_t OpenFileSize(HANDLE file);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
bool CreateFolderTree(const std::string& folder);

// The bytes from offset, at most maxLength of them when it is not 0; empty
// when the file is missing, the offset is outside it or the read falls short.
std::string ReadFilePart(const std::string& fileName, uint64_t maxLength, int64_t offset);

// Told the total, the bytes written so far, and may cancel.
class WriteProgress {
public:
    virtual ~WriteProgress() = default;
    virtual void OnWrite(uint64_t total, uint64_t written, bool& cancel) = 0;
};

// fileDate: packed DOS date (high 16 bits) and time (low 16 bits), local
// time; 0 leaves the time as written.
bool WriteFileData(const std::string& fileName, const std::string& data, uint32_t fileDate, bool append,
                   WriteProgress* progress);
bool AppendText(const std::string& fileName, const std::string& text, uint32_t fileDate);
bool SetFileDate(HANDLE file, uint32_t fileDate);
uint32_t FileDateOf(const std::string& fileName);

// The bytes free for this user on the drive of path; -1 when unknown.
int64_t DiskFreeBytes(const std::string& path);
bool DeleteFiles(const std::string& mask, bool clearAttributes);
// Removes a folder with everything in it. A junction or symbolic link
// inside is removed itself and never entered, so the clean-up never reaches
// what it points to; a folder that is itself a link is left alone (false).
bool DeleteTree(const std::string& folder, bool clearAttributes);

// Makes a new folder that only the current user, SYSTEM and the
// Administrators may open: a protected list, nothing inherited from the
// parent. A name that exists already is never taken over.
enum class NewFolder { Made, Exists, Failed };
NewFolder CreatePrivateFolder(const std::string& path);

// Writes and starts the batch file that deletes the running program once
// it has ended (and its folder when asked).
bool SelfDeleteBatch(bool removeFolder);
bool EjectCD(const std::string& path);

// ErrorPageMessage over a downloaded file, whose first 10000 bytes are read
// when it exists.
std::string ErrorPageText(const std::string& fileName, const std::string& body, const std::string& url, bool iisHint,
                          const std::string& fallback);

}  // namespace rv
