// The temp setup folder of a run: made on first use as a new private folder
// under a random name, removed after the setup, when the main window goes
// and at the latest when its owner does. The run's context owns the one of
// the run.
#pragma once

#include <string>

namespace rv {

// A new private folder parent\prefix<random> (see CreatePrivateFolder); a
// name that exists already means another name, never the existing folder.
// Empty when none could be made.
std::string MakePrivateFolder(const std::string& parent, const std::string& prefix);

class SetupFolder {
public:
    SetupFolder() = default;
    SetupFolder(const SetupFolder&) = delete;
    SetupFolder& operator=(const SetupFolder&) = delete;
    ~SetupFolder() { Remove(); }

    // Empty when no private folder could be made; nothing may then be
    // extracted or started.
    const std::string& Path();
    void Remove();
    // The spanned restart leaves the folder to the copy it starts there.
    void Keep() { path_.clear(); }

private:
    std::string path_;
};

}  // namespace rv
