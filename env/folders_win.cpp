#include "env/folders_win.h"

// windows.h first: the other system headers rely on its definitions.
#include <windows.h>

#include <shlobj.h>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/paths.h"
#include "base/paths_win.h"
#include "base/registry_win.h"
#include "base/switches_win.h"
#include "base/system_win.h"
#include "base/text.h"
#include "env/file_util_win.h"
#include "env/folders.h"

namespace rv {

namespace {

// Folder identifiers with the create flag.
constexpr int kPersonal = CSIDL_PERSONAL | CSIDL_FLAG_CREATE;
constexpr int kAppData = CSIDL_APPDATA | CSIDL_FLAG_CREATE;
constexpr int kLocalAppData = CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE;
constexpr int kCommonAppData = CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE;
constexpr int kCommonDocuments = CSIDL_COMMON_DOCUMENTS | CSIDL_FLAG_CREATE;

constexpr const char* kShellFoldersKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kVersionKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr size_t kPathBuffer = 1025;

std::string FolderPathById(int id) {
    static auto* const get = BindProc<decltype(::SHGetFolderPathA)>("SHFolder.dll", "SHGetFolderPathA");
    std::string path(kPathBuffer, '\0');
    if (!get || get(nullptr, id, nullptr, 0, &path[0]) != S_OK) return std::string();
    return path.substr(0, path.find('\0'));
}

std::string SpecialPathById(int id) {
    static auto* const get = BindProc<decltype(::SHGetSpecialFolderPathA)>("shell32.dll", "SHGetSpecialFolderPathA");
    std::string path(kPathBuffer, '\0');
    if (!get || !get(nullptr, &path[0], id, FALSE)) return std::string();
    return path.substr(0, path.find('\0'));
}

std::string Parent(const std::string& folder) { return ParentFolder(folder, IsLeadByte); }

// With a backslash ensured, then the name.
std::string Under(const std::string& folder, const char* name) { return WithBackslash(folder, true) + name; }

// The origin of a run: the first program started, which later copies of the
// stub name with "/OriginExe="; kept for the whole process.
const std::string& OriginExeCached() {
    static const std::string origin = [] {
        const std::string given = SwitchValue("/OriginExe=");
        return given.empty() ? ProgramFile() : given;
    }();
    return origin;
}

class SystemRunTimeLookup : public RunTimeLookup {
public:
    explicit SystemRunTimeLookup(std::vector<std::string>& notFound) : notFound_(notFound) {}

    std::string RegistryValue(const std::string& key, const std::string& valueName) override {
        return ReadRegistryValue(key, valueName, "");
    }
    bool FolderExists(const std::string& path) override { return rv::FolderExists(path); }
    bool FileExists(const std::string& path) override { return rv::FileExists(path); }
    std::string SearchFile(const std::string& name, int driveType) override {
        return SearchDrives('C', driveType, [&](const std::string& root) { return FindFile(root, name); });
    }
    std::string SearchFolder(const std::string& name, int driveType) override {
        if (name.size() > 2 && name.compare(1, 2, ":\\") == 0)
            return DriveType(name[0]) == driveType && rv::FolderExists(name) ? name : std::string();
        return SearchDrives('D', driveType, [&](const std::string& root) { return FindFolder(root, name); });
    }
    // The setup stub sets neither hook nor reads the flag.
    void BeforeSearch() override {}
    void MarkMissing() override {}
    void NotFound(const std::string& shownName) override { notFound_.push_back(shownName); }
    LeadBytePredicate LeadBytes() override { return IsLeadByte; }

private:
    std::vector<std::string>& notFound_;

    static int DriveType(char letter) {
        const std::string root = std::string(1, letter) + ":\\";
        return static_cast<int>(GetDriveTypeA(root.c_str()));
    }

    template <class Search>
    static std::string SearchDrives(char first, int driveType, Search&& search) {
        for (char letter = first; letter <= 'Z'; ++letter) {
            if (DriveType(letter) != driveType) continue;
            std::string hit = search(std::string(1, letter) + ":\\");
            if (!hit.empty()) return hit;
        }
        return std::string();
    }

    // Calls visit for each subfolder of folder (with a backslash) until it
    // returns a hit.
    template <class Visit>
    static std::string EachSubfolder(const std::string& folder, Visit&& visit) {
        WIN32_FIND_DATAA data;
        FindHandle find(FindFirstFileA((folder + "*.*").c_str(), &data));
        if (!find) return std::string();
        do {
            const std::string name = data.cFileName;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
            std::string hit = visit(folder + name);
            if (!hit.empty()) return hit;
        } while (FindNextFileA(find.get(), &data));
        return std::string();
    }

    static std::string FindFile(const std::string& folder, const std::string& name) {
        if (rv::FileExists(folder + name)) return folder + name;
        return EachSubfolder(folder, [&](const std::string& sub) { return FindFile(sub + "\\", name); });
    }

    static std::string FindFolder(const std::string& folder, const std::string& name) {
        return EachSubfolder(folder, [&](const std::string& sub) {
            if (EndsWith("\\" + name, sub, true)) return sub;
            return FindFolder(sub + "\\", name);
        });
    }
};

}  // namespace

const ShellFolderApi& SystemShellFolders() {
    static const ShellFolderApi api{FolderPathById, SpecialPathById};
    return api;
}

std::string SrcDir(bool withBackslash) { return ProgramDir(withBackslash); }
std::string OriginExe() { return OriginExeCached(); }

std::string OriginDir() {
    static const std::string folder = [] {
        const std::string origin = WithoutBackslash(FolderOf(OriginExeCached()));
        return origin.empty() ? SrcDir(false) : origin;
    }();
    return folder;
}

std::string System16Dir() {
    return FirstExisting({System16Candidate(SystemDir(false)), WindowsDir(true) + "System", SystemDir(false)},
                         FolderExists);
}

std::string FontDir() {
    return FirstExisting({ReadRegistryValue(kShellFoldersKey, "Fonts", ""), WindowsDir(true) + "Fonts"}, FolderExists);
}

std::string ProgramFilesDir() { return ReadRegistryValue(kVersionKey, "ProgramFilesDir", ""); }
std::string CommonFilesDir() { return ReadRegistryValue(kVersionKey, "CommonFilesDir", ""); }
std::string StartMenuDir() { return ReadRegistryValue(kShellFoldersKey, "Start Menu", ""); }

std::string ShellFolders::ProfilesDir(bool withBackslash) const {
    const std::string profile = WindowsDir(true) + "Profiles\\" + RegisteredOwner();
    return WithBackslash(FolderExists(profile) ? profile : WindowsDir(false), withBackslash);
}

std::string ShellFolders::UserDir(bool withBackslash) const {
    const std::string documents = api_.folderPath(kPersonal);
    const std::string user = FolderExists(documents) ? Parent(documents) : ProfilesDir(false);
    return WithBackslash(user, withBackslash);
}

std::string ShellFolders::DocumentsAndSettingsDir(bool withBackslash) const {
    // Up from the documents folder, a step at a time while the folder exists.
    std::string folder = api_.folderPath(kPersonal);
    if (!FolderExists(folder)) return WithBackslash(ProfilesDir(false), withBackslash);
    for (int step = 0; step < 2 && FolderExists(Parent(folder)); ++step) folder = Parent(folder);
    return WithBackslash(folder, withBackslash);
}

std::string ShellFolders::AllUsersDir(bool withBackslash) const {
    const std::string data = api_.folderPath(kCommonAppData);
    return WithBackslash(FirstExisting({data.empty() ? data : Parent(data), WindowsDir(false)}, FolderExists),
                         withBackslash);
}

namespace {

// The folders the fallbacks of the shell folders are named under.
enum class Base { Profiles, Windows, User, AllUsers };

// How a shell folder is found: the shell's answer for the identifier (from
// SHGetSpecialFolderPathA when `special`, else SHGetFolderPathA), then each
// fallback, a name under a base folder; the last is taken untested.
struct ShellFolderRule {
    ShellFolder folder;
    int id;
    bool special;
    struct Fallback {
        Base base;
        const char* name;  // none: no second fallback
    } fallbacks[2];
};

using F = ShellFolder;
constexpr ShellFolderRule kShellFolderRules[] = {
    {F::UserAppData, kAppData, false, {{Base::Profiles, "Application Data"}, {}}},
    {F::UserLocalAppData, kLocalAppData, false, {{Base::Profiles, "Application Data"}, {}}},
    {F::AllUsersAppData, kCommonAppData, false, {{Base::Windows, "Application Data"}, {}}},
    {F::MyDocuments, kPersonal, false, {{Base::Profiles, "My Documents"}, {}}},
    {F::AllUsersDocuments, kCommonDocuments, false, {{Base::Windows, "Documents"}, {}}},
    {F::UserStartMenu, CSIDL_STARTMENU, true, {{Base::User, "Start Menu"}, {Base::AllUsers, "Start Menu"}}},
    {F::AllUsersStartMenu, CSIDL_COMMON_STARTMENU, true, {{Base::AllUsers, "Start Menu"}, {}}},
    {F::UserDesktop, CSIDL_DESKTOPDIRECTORY, true, {{Base::User, "Desktop"}, {Base::AllUsers, "Desktop"}}},
    {F::AllUsersDesktop, CSIDL_COMMON_DESKTOPDIRECTORY, true, {{Base::AllUsers, "Desktop"}, {}}},
};

std::string FallbackPath(const ShellFolders& shell, const ShellFolderRule::Fallback& fallback) {
    switch (fallback.base) {
        case Base::Profiles: return shell.ProfilesDir(true) + fallback.name;
        case Base::Windows: return WindowsDir(true) + fallback.name;
        case Base::User: return Under(shell.UserDir(false), fallback.name);
        case Base::AllUsers: return Under(shell.AllUsersDir(false), fallback.name);
    }
    return std::string();
}

}  // namespace

std::string ShellFolders::Dir(ShellFolder folder, bool withBackslash) const {
    for (const ShellFolderRule& rule : kShellFolderRules) {
        if (rule.folder != folder) continue;
        const std::string shell = rule.special ? api_.specialPath(rule.id) : api_.folderPath(rule.id);
        const std::string first = FallbackPath(*this, rule.fallbacks[0]);
        const std::string found =
            rule.fallbacks[1].name ? FirstExisting({shell, first, FallbackPath(*this, rule.fallbacks[1])}, FolderExists)
                                   : FirstExisting({shell, first}, FolderExists);
        return WithBackslash(found, withBackslash);
    }
    return std::string();
}

std::string RunTimeFolders::Get(int n) {
    SystemRunTimeLookup lookup(notFound_);
    return slots_.Get(n, lookup);
}

std::vector<std::string> RunTimeFolders::TakeNotFound() {
    std::vector<std::string> names;
    names.swap(notFound_);
    return names;
}

}  // namespace rv
