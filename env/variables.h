// Installer variables in angle brackets ("<InstallDir>", "<Date=6>",
// "<UserAppDataDir>"...) and their replacement, free of Windows calls: the
// system's values come from a VariableSource, asked only for the variables
// that occur in the text.
//
// Every variable is found case-insensitively and every occurrence is
// replaced; text that a replacement inserts is not matched again by the same
// variable. A variable the expansion does not know stays as written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/paths.h"

namespace rv {

// Folders the system knows, each without a trailing backslash.
enum class SystemFolder {
    Windows,
    System,
    System16,
    ProgramFiles,
    CommonFiles,
    StartMenu,
    Fonts,
    Source,  // of the running executable
    Origin,  // of the program first started, which later copies name
    Temp,
    User,
    UserAppData,
    UserLocalAppData,
    MyDocuments,
    UserStartMenu,
    UserDesktop,
    DocumentsAndSettings,
    AllUsers,
    AllUsersAppData,
    AllUsersDocuments,
    AllUsersStartMenu,
    AllUsersDesktop,
};

// The user's locale, as the date variable writes it.
struct DateNames {
    std::string months[12];  // full names, January first
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
};

class VariableSource {
public:
    virtual ~VariableSource() = default;
    virtual std::string LoggedUserName() = 0;
    // The registered owner, the logged-on user when there is none.
    virtual std::string RegisteredOwner() = 0;
    virtual std::string RegisteredOrganization() = 0;
    virtual std::string ComputerName() = 0;
    virtual std::string DomainName() = 0;
    // What a host's setup dialog took for `key`; empty without such a host.
    virtual std::string EnteredValue(const std::string& key) = 0;
    virtual DateTime Now() = 0;
    virtual DateNames LocaleDateNames() = 0;
    virtual std::string Folder(SystemFolder folder) = 0;
    virtual std::string RunTimeFolder(int n) = 0;
    // The absolute form of a path with "." and ".." steps.
    virtual std::string FullPath(const std::string& path) = 0;
    // Backslashes are looked at character by character: in a double-byte
    // code page 0x5C can be the second byte of a character.
    virtual LeadBytePredicate LeadBytes() = 0;
};

// What a host hands in. The setup stub fills only the three folders.
struct VariableSlots {
    std::string installDir, commonDir, auxDir;
    int32_t lastExitCode = 0;
    // A delimited list of "<Name>=value" entries, e.g. "|<Port>=8080|<Mode>=full|".
    std::string userTable;
    // A delimited list of service executables, e.g. "|C:\Svc\a.exe|D:\b.exe|".
    std::string serviceDirList;
};

struct ExpandOptions {
    // Put between a folder value and whatever follows its variable.
    std::string separator;
    // Makes a path (or each path of a "|" or "," list) with ".." absolute.
    bool normalizeDots = false;
    bool useUserTable = false;
    bool expandFolders = false;
};

std::string ExpandVariablesWith(const std::string& text, const ExpandOptions& options, const VariableSlots& slots,
                                VariableSource& source);

// The pieces, for their own tests.

// What "<Name>" (or "Name") stands for in the table; `token` itself when the
// table has no such entry.
std::string UserTableValue(const std::string& table, const std::string& token);
// The text of "<Date=" code ">"; none for an unknown code.
std::optional<std::string> DateVariableText(char code, const DateTime& now, const DateNames& names);
// Runs of backslashes become one. A run that opens the text (a network
// path), or one straight after the delimiter of a delimited list, becomes
// two; a backslash that is the second byte of a double-byte character is no
// part of a run.
std::string CollapseBackslashes(const std::string& text, LeadBytePredicate isLeadByte);

}  // namespace rv
