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

// The setup stub hands in only the install folders; the exit code, the
// user table and the service list stay empty.
VariableSlots& Slots() {
    static VariableSlots slots;
    return slots;
}

std::string LocaleText(LCTYPE item, const std::string& fallback) {
    char buffer[80];
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, sizeof buffer);
    return n > 1 ? std::string(buffer, static_cast<size_t>(n - 1)) : fallback;
}

class SystemVariables : public VariableSource {
public:
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
    std::string RunTimeFolder(int n) override { return GetRunTimeDir(n); }

    // A path the system cannot make absolute stays as it was.
    std::string FullPath(const std::string& path) override {
        char buffer[MAX_PATH];
        const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
        return n > 0 && n < MAX_PATH ? std::string(buffer, n) : path;
    }

    LeadBytePredicate LeadBytes() override { return IsLeadByte; }

private:
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
        case SystemFolder::UserAppData: return shell_.UserAppDataDir(false);
        case SystemFolder::UserLocalAppData: return shell_.UserLocalAppDataDir(false);
        case SystemFolder::MyDocuments: return shell_.MyDocumentsDir(false);
        case SystemFolder::UserStartMenu: return shell_.UserStartMenuDir(false);
        case SystemFolder::UserDesktop: return shell_.UserDesktopDir(false);
        case SystemFolder::DocumentsAndSettings: return shell_.DocumentsAndSettingsDir(false);
        case SystemFolder::AllUsers: return shell_.AllUsersDir(false);
        case SystemFolder::AllUsersAppData: return shell_.AllUsersAppDataDir(false);
        case SystemFolder::AllUsersDocuments: return shell_.AllUsersDocumentsDir(false);
        case SystemFolder::AllUsersStartMenu: return shell_.AllUsersStartMenuDir(false);
        case SystemFolder::AllUsersDesktop: return shell_.AllUsersDesktopDir(false);
    }
    return std::string();
}

}  // namespace

void SetInstallFolders(const std::string& installDir, const std::string& commonDir, const std::string& auxDir) {
    VariableSlots& slots = Slots();
    slots.installDir = installDir;
    slots.commonDir = commonDir;
    slots.auxDir = auxDir;
}

std::string ExpandVariables(const std::string& text, const std::string& separator, bool normalizeDots,
                            bool useUserTable, bool expandFolders) {
    ExpandOptions options;
    options.separator = separator;
    options.normalizeDots = normalizeDots;
    options.useUserTable = useUserTable;
    options.expandFolders = expandFolders;
    SystemVariables system;
    return ExpandVariablesWith(text, options, Slots(), system);
}

}  // namespace rv
