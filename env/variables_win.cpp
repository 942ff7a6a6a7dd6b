#include "env/variables_win.h"

#include <windows.h>

#include "base/clock.h"
#include "base/clock_win.h"
#include "base/paths.h"
#include "base/paths_win.h"
#include "base/system_win.h"
#include "env/folders_win.h"
#include "env/variables.h"

namespace rv {

namespace {

std::string LocaleText(LCTYPE item, const std::string& fallback) {
    char buffer[80];
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, sizeof buffer);
    return n > 1 ? std::string(buffer, static_cast<size_t>(n - 1)) : fallback;
}

class SystemVariables : public VariableSource {
public:
    explicit SystemVariables(RunTimeFolders& runTime) : runTime_(runTime) {}

    std::string LoggedUserName() override { return UserName(); }
    std::string RegisteredOwner() override { return rv::RegisteredOwner(); }
    std::string RegisteredOrganization() override { return rv::RegisteredOrganization(); }
    std::string ComputerName() override { return rv::ComputerName(); }
    std::string DomainName() override { return UserDomain(); }
    std::string EnteredValue(const std::string&) override { return std::string(); }
    DateTime Now() override { return LocalNow(); }

    DateNames LocaleDateNames() override {
        DateNames names;
        for (int m = 0; m < 12; ++m) names.months[m] = LocaleText(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(m), "");
        names.dateSeparator = LocaleText(LOCALE_SDATE, names.dateSeparator);
        names.timeSeparator = LocaleText(LOCALE_STIME, names.timeSeparator);
        return names;
    }

    std::string Folder(SystemFolder folder) override;
    std::string RunTimeFolder(int n) override { return runTime_.Get(n); }

    // A path the system cannot make absolute stays as it was.
    std::string FullPath(const std::string& path) override {
        char buffer[MAX_PATH];
        const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
        return n > 0 && n < MAX_PATH ? std::string(buffer, n) : path;
    }

    LeadBytePredicate LeadBytes() override { return IsLeadByte; }

private:
    std::string Shell(ShellFolder folder) const { return shell_.Dir(folder, false); }

    RunTimeFolders& runTime_;
    const ShellFolders shell_;
};

std::string SystemVariables::Folder(SystemFolder folder) {
    switch (folder) {
        case SystemFolder::Windows: return WindowsDir(false);
        case SystemFolder::System: return SystemDir(false);
        case SystemFolder::System16: return System16Dir();
        case SystemFolder::ProgramFiles: return ProgramFilesDir();
        case SystemFolder::CommonFiles: return CommonFilesDir();
        case SystemFolder::StartMenu: return StartMenuDir();
        case SystemFolder::Fonts: return FontDir();
        case SystemFolder::Source: return SrcDir(false);
        case SystemFolder::Origin: return OriginDir();
        case SystemFolder::Temp: return TempDir(false);
        case SystemFolder::User: return shell_.UserDir(false);
        case SystemFolder::UserAppData: return Shell(ShellFolder::UserAppData);
        case SystemFolder::UserLocalAppData: return Shell(ShellFolder::UserLocalAppData);
        case SystemFolder::MyDocuments: return Shell(ShellFolder::MyDocuments);
        case SystemFolder::UserStartMenu: return Shell(ShellFolder::UserStartMenu);
        case SystemFolder::UserDesktop: return Shell(ShellFolder::UserDesktop);
        case SystemFolder::DocumentsAndSettings: return shell_.DocumentsAndSettingsDir(false);
        case SystemFolder::AllUsers: return shell_.AllUsersDir(false);
        case SystemFolder::AllUsersAppData: return Shell(ShellFolder::AllUsersAppData);
        case SystemFolder::AllUsersDocuments: return Shell(ShellFolder::AllUsersDocuments);
        case SystemFolder::AllUsersStartMenu: return Shell(ShellFolder::AllUsersStartMenu);
        case SystemFolder::AllUsersDesktop: return Shell(ShellFolder::AllUsersDesktop);
    }
    return std::string();
}

}  // namespace

void RunVariables::SetInstallFolders(const std::string& installDir, const std::string& commonDir,
                                     const std::string& auxDir) {
    slots_.installDir = installDir;
    slots_.commonDir = commonDir;
    slots_.auxDir = auxDir;
}

Expansion RunVariables::Expand(const std::string& text, const std::string& separator, bool normalizeDots,
                               bool useUserTable, bool expandFolders) {
    ExpandOptions options;
    options.separator = separator;
    options.normalizeDots = normalizeDots;
    options.useUserTable = useUserTable;
    options.expandFolders = expandFolders;
    SystemVariables system(runTime_);
    Expansion expansion;
    expansion.text = ExpandVariablesWith(text, options, slots_, system);
    expansion.foldersNotFound = runTime_.TakeNotFound();
    return expansion;
}

}  // namespace rv
