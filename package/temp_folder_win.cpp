#include "package/temp_folder_win.h"

#include "base/paths_win.h"
#include "base/random_win.h"
#include "env/file_util_win.h"
#include "package/temp_folder.h"

namespace rv {

namespace {
// Names of 64 random bits: a few tries find a free one, and a parent
// filled with prepared names makes the run fail rather than use one.
constexpr int kNameTries = 16;
constexpr size_t kRandomBytes = 8;
}  // namespace

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix) {
    if (!parent.empty() && !FolderExists(parent)) CreateFolderTree(parent);
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::string path = PrivateFolderName(parent, prefix, SystemRandomHex(kRandomBytes));
        if (path.empty()) return path;
        switch (CreatePrivateFolder(path)) {
            case NewFolder::Made: return path;
            case NewFolder::Exists: continue;
            case NewFolder::Failed: return std::string();
        }
    }
    return std::string();
}

const std::string& SetupFolder::Path() {
    if (path_.empty()) path_ = MakePrivateFolder(TempDir(true), "SETUP_");
    return path_;
}

// A folder that could not go yet (a file still open in it) is tried again
// on the next call and at the latest by the destructor.
void SetupFolder::Remove() {
    if (!path_.empty() && (DeleteTree(path_, true) || !FolderExists(path_))) path_.clear();
}

}  // namespace rv
