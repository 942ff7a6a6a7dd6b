#include "package/temp_folder_win.h"

#include "base/paths_win.h"
#include "env/file_util_win.h"
#include "package/temp_folder.h"

namespace rv {

namespace {

class SetupFolderOwner {
public:
    SetupFolderOwner() = default;
    SetupFolderOwner(const SetupFolderOwner&) = delete;
    SetupFolderOwner& operator=(const SetupFolderOwner&) = delete;
    ~SetupFolderOwner() { Remove(); }

    const std::string& Path() {
        if (path_.empty()) {
            path_ = SetupFolderName(TempDir(true), FileDateOf(ProgramFile()));
            if (FolderExists(path_)) DeleteTree(path_, true);
            CreateFolderTree(path_);
        }
        return path_;
    }
    void Remove() {
        if (!path_.empty()) DeleteTree(path_, true);
        path_.clear();
    }
    void Keep() { path_.clear(); }

private:
    std::string path_;
};

SetupFolderOwner& Owner() {
    static SetupFolderOwner owner;
    return owner;
}

}  // namespace

std::string TempSetupFolder() { return Owner().Path(); }
void RemoveTempSetupFolder() { Owner().Remove(); }
void KeepTempSetupFolder() { Owner().Keep(); }

}  // namespace rv
