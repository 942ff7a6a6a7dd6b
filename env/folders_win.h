// Special and run-time folders: the Windows folders, the folder the stub
// runs from and the one it was first started from, the shell's special
// folders with fallbacks for systems without the shell functions, folders
// kept in the registry, and the run-time folder slots.
#pragma once

#include <string>

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

// The shell folders, each with its fallback chain.
class ShellFolders {
public:
    explicit ShellFolders(const ShellFolderApi& api = SystemShellFolders()) : api_(api) {}
    std::string ProfilesDir(bool withBackslash) const;
    std::string UserDir(bool withBackslash) const;
    std::string DocumentsAndSettingsDir(bool withBackslash) const;
    std::string AllUsersDir(bool withBackslash) const;
    std::string UserAppDataDir(bool withBackslash) const;
    std::string UserLocalAppDataDir(bool withBackslash) const;
    std::string AllUsersAppDataDir(bool withBackslash) const;
    std::string MyDocumentsDir(bool withBackslash) const;
    std::string AllUsersDocumentsDir(bool withBackslash) const;
    std::string UserStartMenuDir(bool withBackslash) const;
    std::string AllUsersStartMenuDir(bool withBackslash) const;
    std::string UserDesktopDir(bool withBackslash) const;
    std::string AllUsersDesktopDir(bool withBackslash) const;

private:
    ShellFolderApi api_;
};

// Run-time folder n (1 to 8). The setup stub loads no definitions, so
// every one is empty there.
std::string GetRunTimeDir(int n);

}  // namespace rv
