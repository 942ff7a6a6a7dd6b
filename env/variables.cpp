#include "env/variables.h"

#include "base/clock.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text.h"

namespace rv {

namespace {

constexpr size_t kAll = std::string::npos;

// A folder variable takes its value from a folder handed in or from the
// system; `length` keeps only the start of it (the drive forms).
struct FolderVariable {
    const char* name;
    const std::string VariableSlots::*handedIn;  // null: `system`
    SystemFolder system;
    size_t length;
};

constexpr FolderVariable Handed(const char* name, const std::string VariableSlots::*slot, size_t length = kAll) {
    return {name, slot, SystemFolder::Windows, length};
}
constexpr FolderVariable System(const char* name, SystemFolder folder, size_t length = kAll) {
    return {name, nullptr, folder, length};
}

using S = SystemFolder;
constexpr auto kInstall = &VariableSlots::installDir;
constexpr auto kCommon = &VariableSlots::commonDir;
constexpr auto kAux = &VariableSlots::auxDir;
constexpr size_t kDriveLength = 3, kDiskLength = 2;  // "D:\" and "D:"

const FolderVariable kNamedFolders[] = {
    Handed("<Application Folder>", kInstall), Handed("<Common Folder>", kCommon),
    Handed("<Auxiliary Folder>", kAux),       System("<Windows Directory>", S::Windows),
    System("<System Directory>", S::System),  System("<System16 Directory>", S::System16),
};
const FolderVariable kInstallFolders[] = {
    Handed("<InstallDir>", kInstall),
    Handed("<InstallCommonDir>", kCommon),
    Handed("<InstallAuxDir>", kAux),
};
const FolderVariable kWindowsFolders[] = {
    System("<WinDir>", S::Windows),
    System("<WinSysDir>", S::System),
    System("<WinSys32Dir>", S::System),
    System("<WinSys16Dir>", S::System16),
};
// They take no separator.
const FolderVariable kDrives[] = {
    Handed("<InstallDrive>", kInstall, kDriveLength), System("<WinDrive>", S::Windows, kDriveLength),
    System("<WinSysDrive>", S::System, kDriveLength), System("<OriginDrive>", S::Origin, kDriveLength),
    Handed("<InstallDisk>", kInstall, kDiskLength),   System("<WinDisk>", S::Windows, kDiskLength),
    System("<WinSysDisk>", S::System, kDiskLength),   System("<OriginDisk>", S::Origin, kDiskLength),
};
const FolderVariable kCommonFolders[] = {
    System("<ProgramFilesDir>", S::ProgramFiles),
    System("<CommonFilesDir>", S::CommonFiles),
    System("<StartMenuDir>", S::StartMenu),
    System("<FontDir>", S::Fonts),
    System("<SrcDir>", S::Source),
    System("<OriginDir>", S::Origin),
    System("<TempDir>", S::Temp),
};
const FolderVariable kShellFolders[] = {
    System("<UserDir>", S::User),
    System("<UserAppDataDir>", S::UserAppData),
    System("<UserLocalAppDataDir>", S::UserLocalAppData),
    System("<MyDocumentsDir>", S::MyDocuments),
    System("<UserStartMenuDir>", S::UserStartMenu),
    System("<UserDesktopDir>", S::UserDesktop),
    System("<DocumentsAndSettingsDir>", S::DocumentsAndSettings),
    System("<AllUsersDir>", S::AllUsers),
    System("<AllUsersAppDataDir>", S::AllUsersAppData),
    System("<AllUsersDocumentsDir>", S::AllUsersDocuments),
    System("<AllUsersStartMenuDir>", S::AllUsersStartMenu),
    System("<AllUsersDesktopDir>", S::AllUsersDesktop),
};

// The user and the computer.
struct IdentityVariable {
    const char* name;
    std::string (VariableSource::*value)();
};
const IdentityVariable kIdentity[] = {
    {"<LoggedUserName>", &VariableSource::LoggedUserName},      {"<UserName>", &VariableSource::RegisteredOwner},
    {"<CompanyName>", &VariableSource::RegisteredOrganization}, {"<ComputerName>", &VariableSource::ComputerName},
    {"<CurrentDomainName>", &VariableSource::DomainName},
};
constexpr const char* kExitCode = "<LastExecutableExitCode>";

// Values a host's setup dialog took, by the key it is asked with.
struct EnteredVariable {
    const char* name;
    const char* key;
};
const EnteredVariable kEnteredValues[] = {
    {"<EnteredUserName>", "UserName"},
    {"<EnteredCompanyName>", "CompanyName"},
    {"<EnteredStartProgramMenu>", "EnteredStartProgramMenu"},
    {"<VendorCompanyName>", "VendorCompanyName"},
    {"<ProjectName>", "ProjectName"},
    {"<ProgramDescriptiveName>", "ProgramDescriptiveName"},
    {"<ProgramVersion>", "ProgramVersion"},
};
const EnteredVariable kUninstallPath = {"<UnInstallExePath>", "UnInstallExePath"};

constexpr const char* kDatePrefix = "<Date=";
constexpr const char* kAbsoluteDir = "<AbsoluteDir>";
constexpr const char* kServiceDir = "<ServiceDir>";
constexpr const char* kRunTimeDirPrefix = "<RunTimeDir_";
constexpr int kRunTimeFolderCount = 8;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool Occurs(const std::string& name, const std::string& text) { return PosText(name, text) != 0; }

bool HasDots(const std::string& path) { return path.find("\\..") != kAll || path.find("..\\") != kAll; }

std::string Two(int n) { return ZeroPad(n, 2); }

// The folder and the separator, unless the variable ends the text or a
// blank follows it, or the text is a delimited list and its delimiter
// follows the variable.
std::string FolderReplacement(const std::string& text, size_t after, const std::string& folder,
                              const std::string& separator) {
    if (after >= text.size() || text[after] == ' ') return folder;
    const char next = text[after];
    const bool delimiterFollows = text.front() == next && text.back() == next && next != '<' && !IsAsciiLetter(next);
    return delimiterFollows ? folder : folder + separator;
}

// `at` is where the variable first occurs (from 1): that occurrence decides
// the replacement of every occurrence.
std::string WithFolderAt(const std::string& text, const std::string& name, size_t at, const std::string& folder,
                         const std::string& separator) {
    return ReplaceAll(text, name, FolderReplacement(text, at - 1 + name.size(), folder, separator), true);
}

class Expansion {
public:
    Expansion(const ExpandOptions& options, const VariableSlots& slots, VariableSource& source)
        : options_(options), slots_(slots), source_(source) {}

    // The steps in their fixed order: a value inserted by one step is still
    // open to the steps after it.
    std::string Run(const std::string& text) {
        text_ = text;
        if (text_.find('<') != kAll) {
            if (options_.useUserTable) ApplyUserTable();
            ApplyDate();
            ApplyIdentity();
            if (options_.expandFolders) ApplyFolders();
        }
        if (options_.normalizeDots) NormalizeDots();
        return text_;
    }

private:
    void Replace(const std::string& name, const std::string& value) { text_ = ReplaceAll(text_, name, value, true); }

    void Delete(const std::string& name) { Replace(name, ""); }

    std::string FolderValue(const FolderVariable& v) {
        const std::string folder = v.handedIn ? slots_.*(v.handedIn) : source_.Folder(v.system);
        return folder.substr(0, v.length);
    }

    void ApplyFolderRule(const FolderVariable& v, const std::string& separator) {
        const size_t at = PosText(v.name, text_);
        if (at != 0) text_ = WithFolderAt(text_, v.name, at, FolderValue(v), separator);
    }

    template <size_t N>
    void ApplyFolderRule(const FolderVariable (&table)[N], const std::string& separator) {
        for (const FolderVariable& v : table) ApplyFolderRule(v, separator);
    }

    // Left to right; a value found is not scanned again.
    void ApplyUserTable() {
        size_t from = 0;
        for (size_t open; (open = text_.find('<', from)) != kAll;) {
            const size_t close = text_.find('>', open + 1);
            if (close == kAll) return;
            const std::string token = text_.substr(open, close - open + 1);
            const std::string value = UserTableValue(slots_.userTable, token);
            if (value == token) {
                from = open + 1;
                continue;
            }
            text_.replace(open, token.size(), value);
            from = open + value.size();
        }
    }

    // Only the first "<Date=" of a text, and only in its exact form.
    void ApplyDate() {
        const size_t at = PosText(kDatePrefix, text_);
        if (at == 0) return;
        const size_t code = at - 1 + std::char_traits<char>::length(kDatePrefix);
        if (code + 1 >= text_.size() || text_[code + 1] != '>') return;
        const DateTime now = source_.Now();
        const std::optional<std::string> value = DateVariableText(text_[code], now, source_.LocaleDateNames());
        if (value) text_.replace(at - 1, code + 2 - (at - 1), *value);
    }

    void ApplyIdentity() {
        for (const IdentityVariable& v : kIdentity)
            if (Occurs(v.name, text_)) Replace(v.name, (source_.*v.value)());
        if (Occurs(kExitCode, text_)) Replace(kExitCode, IntText(slots_.lastExitCode));
        for (const EnteredVariable& v : kEnteredValues) ApplyEntered(v);
    }

    void ApplyEntered(const EnteredVariable& v) {
        if (Occurs(v.name, text_)) Replace(v.name, source_.EnteredValue(v.key));
    }

    void ApplyFolders() {
        const std::string snapshot = text_;
        const std::string& separator = options_.separator;
        ApplyEntered(kUninstallPath);
        ApplyRunTimeFolders();
        ApplyFolderRule(kNamedFolders, separator);
        // The text now starts from an absolute folder, so the install
        // folders written after it are no folders of their own.
        if (text_ != snapshot)
            for (const FolderVariable& v : kInstallFolders) Delete(v.name);
        Delete(kAbsoluteDir);
        ApplyFolderRule(kInstallFolders, separator);
        Delete(kAbsoluteDir);
        ApplyFolderRule(kWindowsFolders, separator);
        ApplyFolderRule(kDrives, "");
        ApplyFolderRule(kCommonFolders, separator);
        ApplyServiceDir();
        ApplyFolderRule(kShellFolders, separator);
        // A folder and a separator before a backslash of the text leave a
        // doubled one.
        if (text_ != snapshot) text_ = CollapseBackslashes(text_, source_.LeadBytes());
    }

    void ApplyRunTimeFolders() {
        if (!Occurs(kRunTimeDirPrefix, text_)) return;
        for (int n = 1; n <= kRunTimeFolderCount; ++n) {
            const std::string name = kRunTimeDirPrefix + IntText(n) + ">";
            const size_t at = PosText(name, text_);
            if (at != 0) text_ = WithFolderAt(text_, name, at, source_.RunTimeFolder(n), options_.separator);
        }
    }

    // The folder of the running executable, unless a listed service sits
    // at the path the text makes with the service's own folder.
    void ApplyServiceDir() {
        const size_t at = PosText(kServiceDir, text_);
        if (at == 0) return;
        const std::string before = text_;
        text_ = WithFolderAt(before, kServiceDir, at, source_.Folder(S::Source), options_.separator);
        const std::string& list = slots_.serviceDirList;
        if (list.size() <= 2) return;
        for (int i = 0; i < ListCount(list); ++i) {
            const std::string service = ListField(list, i);
            if (service.empty()) continue;
            const std::string folder = WithoutBackslash(FolderOf(service), source_.LeadBytes());
            const std::string outcome = WithFolderAt(before, kServiceDir, at, folder, options_.separator);
            if (outcome.find(service) != kAll) {
                text_ = outcome;
                return;
            }
        }
    }

    void NormalizeDots() {
        if (!HasDots(text_)) return;
        const char d = text_[0];
        const bool list = text_.size() >= 2 && (d == ',' || d == '|') && text_.back() == d;
        if (!list) {
            text_ = source_.FullPath(text_);
            return;
        }
        std::string rebuilt(1, d);
        for (size_t start = 1; start < text_.size();) {
            const size_t end = text_.find(d, start);
            const std::string entry = text_.substr(start, end - start);
            rebuilt += (HasDots(entry) ? source_.FullPath(entry) : entry) + d;
            start = end + 1;
        }
        text_ = rebuilt;
    }

    const ExpandOptions& options_;
    const VariableSlots& slots_;
    VariableSource& source_;
    std::string text_;
};

}  // namespace

std::string UserTableValue(const std::string& table, const std::string& token) {
    const std::string key = ReplaceAll(ReplaceAll("<" + token + ">", "<<", "<", false), ">>", ">", false);
    return DelimitedValue(table, key, token);
}

std::optional<std::string> DateVariableText(char code, const DateTime& now, const DateNames& names) {
    const std::string dd = Two(now.day), mm = Two(now.month), yy = Two(now.year % 100), yyyy = ZeroPad(now.year, 4);
    const std::string time =
        Two(now.hour) + names.timeSeparator + Two(now.minute) + names.timeSeparator + Two(now.second);
    switch (code) {
        case '#': {
            const std::string month = now.month >= 1 && now.month <= 12 ? names.months[now.month - 1] : "";
            return dd + names.dateSeparator + month + names.dateSeparator + yyyy;
        }
        case '0': {
            const int64_t seconds = SecondsSince1899(now) - SecondsSince1899(DateTime{2000, 1, 1, 0, 0, 0});
            return IntText(seconds / 86400);
        }
        case '1': return dd + "-" + mm + "-" + yy;
        case '2': return mm + "-" + dd + "-" + yy;
        case '3': return yy + "-" + mm + "-" + dd;
        case '4': return dd + "-" + mm + "-" + yyyy;
        case '5': return mm + "-" + dd + "-" + yyyy;
        case '6': return yyyy + "-" + mm + "-" + dd;
        case '7': return yyyy + "-" + mm + "-" + dd + " " + time;
        default: return std::nullopt;
    }
}

std::string CollapseBackslashes(const std::string& text, LeadBytePredicate isLeadByte) {
    const bool list = text.size() >= 2 && text.front() == text.back();
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (isLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
            out.append(text, i, 2);
            i += 2;
            continue;
        }
        if (c != '\\' || i + 1 >= text.size() || text[i + 1] != '\\') {
            out += c;
            ++i;
            continue;
        }
        const bool opensPath = i == 0 || (list && text[i - 1] == text.front());
        out += opensPath ? "\\\\" : "\\";
        while (i < text.size() && text[i] == '\\') ++i;
    }
    return out;
}

std::string ExpandVariablesWith(const std::string& text, const ExpandOptions& options, const VariableSlots& slots,
                                VariableSource& source) {
    return Expansion(options, slots, source).Run(text);
}

}  // namespace rv
