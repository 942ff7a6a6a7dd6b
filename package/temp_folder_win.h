// The temp setup folder of a run: made on first use (a leftover of an
// earlier run is removed first), removed after the setup, when the main
// window goes and at the latest when its owner does. The run's context owns
// the one of the run.
#pragma once

#include <string>

namespace rv {

class SetupFolder {
public:
    SetupFolder() = default;
    SetupFolder(const SetupFolder&) = delete;
    SetupFolder& operator=(const SetupFolder&) = delete;
    ~SetupFolder() { Remove(); }

    const std::string& Path();
    void Remove();
    // The spanned restart leaves the folder to the copy it starts there.
    void Keep() { path_.clear(); }

private:
    std::string path_;
};

}  // namespace rv
