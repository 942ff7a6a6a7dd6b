#include "env/folders.h"

#include "base/paths.h"
#include "base/text.h"

namespace rv {

namespace {

// Fields of a run-time folder definition.
namespace field {
constexpr int kAppPath = 0, kAppPathExe = 1;
constexpr int kRegistry = 2, kRegistryPath = 3;
constexpr int kFile = 4, kFileName = 5, kFileFixed = 6, kFileNetwork = 7;
constexpr int kFolder = 8, kFolderName = 9, kFolderFixed = 10, kFolderNetwork = 11;
constexpr int kFixed = 12, kFixedPath = 13;
constexpr int kTellUser = 16, kMarkMissing = 17, kHookFiles = 18, kHookFolders = 19;
}  // namespace field

constexpr const char* kAppPathsKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class Definition {
public:
    explicit Definition(const std::string& text) : text_(text) {}
    bool On(int index) const { return ListField(text_, index) == "1"; }
    std::string Text(int index) const { return ListField(text_, index); }

private:
    const std::string& text_;
};

std::string WithoutSlash(RunTimeLookup& lookup, const std::string& path) {
    return WithoutBackslash(path, lookup.LeadBytes());
}

std::string FromRegistry(const std::string& path, RunTimeLookup& lookup) {
    std::string value = lookup.RegistryValue(path, "");
    const size_t slash = path.rfind('\\');
    if (value.empty() && slash != std::string::npos)
        value = lookup.RegistryValue(path.substr(0, slash), path.substr(slash + 1));
    // A value naming the program file stands for its folder.
    if (!lookup.FolderExists(value) && lookup.FileExists(value) && lookup.FolderExists(FolderOf(value)))
        value = FolderOf(value);
    return WithoutSlash(lookup, value);
}

// Fixed drives first, then network drives, each when switched on.
std::string SearchDrives(const Definition& d, RunTimeLookup& lookup, const std::string& name, bool files) {
    const int fixed = files ? field::kFileFixed : field::kFolderFixed;
    const int network = files ? field::kFileNetwork : field::kFolderNetwork;
    const bool hook = d.On(files ? field::kHookFiles : field::kHookFolders);
    std::string found;
    for (const auto& [index, type] : {std::pair{fixed, kFixedDrive}, std::pair{network, kNetworkDrive}}) {
        if (!found.empty() || !d.On(index)) continue;
        if (hook) lookup.BeforeSearch();
        found = files ? lookup.SearchFile(name, type) : lookup.SearchFolder(name, type);
    }
    return found;
}

}  // namespace

std::string System16Candidate(const std::string& systemDir) {
    const size_t at = systemDir.rfind("32");
    if (at == std::string::npos) return std::string();
    return systemDir.substr(0, at) + systemDir.substr(at + 2);
}

std::string ParentFolder(const std::string& folder, LeadBytePredicate isLeadByte) {
    return WithoutBackslash(FolderOf(WithoutBackslash(folder, isLeadByte)), isLeadByte);
}

std::string FirstExisting(std::initializer_list<std::string> candidates, FolderTest exists) {
    std::string last;
    for (const std::string& c : candidates) {
        last = c;
        if (!c.empty() && exists(c)) return c;
    }
    return last;
}

// Definition: a delimited list; "1" switches a method on. Methods run in
// order while nothing is found: 0/1 the application path registration of
// an executable, 2/3 a registry value ("ROOT\key" default value, else
// "ROOT\key\value"), 4..7 a file searched on fixed/network drives, 8..11 a
// folder searched likewise, 12/13 a fixed folder. 16 tells the user and 17
// marks the folder missing when nothing was found; 18/19 call the host's
// hook before each file/folder search.
std::string ResolveRunTimeFolder(const std::string& definition, RunTimeLookup& lookup) {
    const Definition d(definition);
    std::string shown, found;
    if (d.On(field::kAppPath)) {
        shown = d.Text(field::kAppPathExe);
        found = WithoutSlash(lookup, FolderOf(lookup.RegistryValue(kAppPathsKey + shown, "")));
    }
    if (found.empty() && d.On(field::kRegistry)) {
        shown = d.Text(field::kRegistryPath);
        found = FromRegistry(shown, lookup);
    }
    if (found.empty() && d.On(field::kFile)) {
        if (shown.empty()) shown = d.Text(field::kFileName);
        found = WithoutSlash(lookup, FolderOf(SearchDrives(d, lookup, d.Text(field::kFileName), true)));
    }
    if (found.empty() && d.On(field::kFolder)) {
        if (shown.empty()) shown = d.Text(field::kFolderName);
        found = SearchDrives(d, lookup, d.Text(field::kFolderName), false);
    }
    if (found.empty() && d.On(field::kFixed)) found = d.Text(field::kFixedPath);
    if (found.empty()) {
        if (d.On(field::kTellUser)) lookup.NotFound(shown);
        if (d.On(field::kMarkMissing)) lookup.MarkMissing();
    }
    return found;
}

void RunTimeSlots::Define(int n, const std::string& definition) {
    if (n < 1 || n > kCount) return;
    definitions_[n - 1] = definition;
    cache_[n - 1] = kUnresolved;
}

std::string RunTimeSlots::Get(int n, RunTimeLookup& lookup) {
    if (n < 1 || n > kCount) return std::string();
    std::string& cached = cache_[n - 1];
    if (cached == kUnresolved) cached = ResolveRunTimeFolder(definitions_[n - 1], lookup);
    return cached;
}

}  // namespace rv
