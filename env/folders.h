// Folder rules that need no Windows call: the 16-bit system folder's
// candidate, the first existing of several folders, and the run-time
// folder slots with their search rule.
#pragma once

#include <initializer_list>
#include <string>

#include "base/paths.h"

namespace rv {

// The system folder with its last "32" removed (case-sensitive), as the
// 16-bit system folder's first candidate; empty when it has no "32".
std::string System16Candidate(const std::string& systemDir);
// The folder that holds folder: "C:\A\B" gives "C:\A".
std::string ParentFolder(const std::string& folder, LeadBytePredicate isLeadByte);

using FolderTest = bool (*)(const std::string&);
// The first candidate that exists; the last one is taken untested, as the
// fallback of last resort.
std::string FirstExisting(std::initializer_list<std::string> candidates, FolderTest exists);

// What the run-time folder rule asks of the system.
class RunTimeLookup {
public:
    virtual ~RunTimeLookup() = default;
    virtual std::string RegistryValue(const std::string& key, const std::string& valueName) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // The path of the first file (or folder) of that name on the drives of
    // the type (3 fixed, 4 network); empty when there is none.
    virtual std::string SearchFile(const std::string& name, int driveType) = 0;
    virtual std::string SearchFolder(const std::string& name, int driveType) = 0;
    virtual void BeforeSearch() = 0;
    virtual void NotFound(const std::string& shownName) = 0;
    virtual void MarkMissing() = 0;
    // The trailing-backslash rule must see double-byte lead bytes.
    virtual LeadBytePredicate LeadBytes() = 0;
};

constexpr int kFixedDrive = 3, kNetworkDrive = 4;

// The folder a run-time folder definition points to (a delimited list of
// switches and names; see the .cpp), or empty.
std::string ResolveRunTimeFolder(const std::string& definition, RunTimeLookup& lookup);

// Run-time folders 1 to 8: a slot is resolved on first use when it holds
// a definition; any other slot, and one out of range, is empty.
class RunTimeSlots {
public:
    static constexpr int kCount = 8;
    void Define(int n, const std::string& definition);
    std::string Get(int n, RunTimeLookup& lookup);

private:
    static constexpr const char* kUnresolved = "*";
    std::string definitions_[kCount];
    std::string cache_[kCount];
};

}  // namespace rv
