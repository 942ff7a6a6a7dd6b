// Where a command writes: targets it may replace, the staging folder its
// output is made in, and the interruption that must not leave staging
// behind.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace rv::builder {

// Refuses (kExitIo) a target that exists and is not a regular file: a
// device, a pipe, a folder or a symbolic link would be replaced by the
// rename, or written through.
void RequireReplaceable(const std::filesystem::path& target);

// True when `inner` is `folder` or lies below it, links resolved.
bool IsInside(const std::filesystem::path& inner, const std::filesystem::path& folder);

// A fresh folder beside the output that holds what a command writes until
// it is complete, so that a failed or interrupted run leaves neither half a
// file nor a damaged earlier output behind. Staging folders an earlier run
// of the same output left (killed, or the machine stopped) are removed
// first. Removed with whatever it still holds, and with the folders made
// for it when they stayed empty.
class StagingFolder {
public:
    explicit StagingFolder(const std::filesystem::path& output);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::vector<std::filesystem::path> createdFolders_;  // made for it, innermost first
};

// While a build runs, SIGINT and SIGTERM only set a flag: its loops poll it
// and unwind, which removes the staging; the program then ends by the same
// signal.
void InstallInterruptHandlers();
int InterruptSignal();  // 0 when none arrived
void ThrowIfInterrupted();

}  // namespace rv::builder
