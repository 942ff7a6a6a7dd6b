#include "package/temp_folder_win.h"

#include "base/paths_win.h"
#include "env/file_util_win.h"
#include "package/temp_folder.h"

namespace rv {

const std::string& SetupFolder::Path() {
    if (path_.empty()) {
        path_ = SetupFolderName(TempDir(true), FileDateOf(ProgramFile()));
        if (FolderExists(path_)) DeleteTree(path_, true);
        CreateFolderTree(path_);
    }
    return path_;
}

void SetupFolder::Remove() {
    if (!path_.empty()) DeleteTree(path_, true);
    path_.clear();
}

}  // namespace rv
