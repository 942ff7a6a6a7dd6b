// Special and run-time folders: the Windows folders, the folder the stub
// runs from and the one it was first started from, the shell's special
// folders with fallbacks for systems without the shell functions, folders
// kept in the registry, and the run-time folder slots.
#pragma once

#include <string>
#include <vector>

#include "env/folders.h"

namespace rv {

// The shell's folder lookups by folder identifier; each returns an empty
// string when the function or its library is missing or the call fails.
struct ShellFolderApi {
    std::string (*folderPath)(int id);   // SHFolder.dll SHGetFolderPathA
    std::string (*specialPath)(int id);  // shell32.dll SHGetSpecialFolderPathA
};
const ShellFolderApi& SystemShellFolders();

std::string SrcDir(bool withBackslash);
std::string OriginExe();
std::string OriginDir();
std::string System16Dir();
std::string FontDir();
std::string ProgramFilesDir();
std::string CommonFilesDir();
std::string StartMenuDir();

// The shell folders that follow one rule: the shell's own answer, else
// the fallbacks in order (see the table in the .cpp).
enum class ShellFolder {
    UserAppData,
    UserLocalAppData,
    AllUsersAppData,
    MyDocuments,
    AllUsersDocuments,
    UserStartMenu,
    AllUsersStartMenu,
    UserDesktop,
    AllUsersDesktop,
};

// The shell folders, each with its fallback chain.
class ShellFolders {
public:
    explicit ShellFolders(const ShellFolderApi& api = SystemShellFolders()) : api_(api) {}
    std::string ProfilesDir(bool withBackslash) const;
    std::string UserDir(bool withBackslash) const;
    std::string DocumentsAndSettingsDir(bool withBackslash) const;
    std::string AllUsersDir(bool withBackslash) const;
    std::string Dir(ShellFolder folder, bool withBackslash) const;

private:
    ShellFolderApi api_;
};

// Run-time folders 1 to 8 of a run, each resolved on first use. The setup
// stub loads no definitions, so every one is empty there. A folder not
// found whose definition asks to tell the user is only noted here: env
// shows nothing, the caller above shows the names it takes.
class RunTimeFolders {
public:
    RunTimeFolders() = default;
    RunTimeFolders(const RunTimeFolders&) = delete;
    RunTimeFolders& operator=(const RunTimeFolders&) = delete;

    void Define(int n, const std::string& definition) { slots_.Define(n, definition); }
    std::string Get(int n);
    // The names noted since the last call, in the order the lookups ran.
    std::vector<std::string> TakeNotFound();

private:
    RunTimeSlots slots_;
    std::vector<std::string> notFound_;
};

}  // namespace rv
