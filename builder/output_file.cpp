#include "builder/output_file.h"

#include <csignal>
#include <system_error>

#include "base/numbers.h"
#include "base/text.h"
#include "builder/cli_error.h"

namespace rv::builder {

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnInterrupt(int signal) { gSignal = signal; }

std::string StagingPrefix(const fs::path& output) { return "." + output.filename().string() + ".partial"; }

// Only folders: a link or a file of that name is not ours to remove.
void RemoveStaleStaging(const fs::path& parent, const std::string& prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code kind;
        if (StartsWith(prefix, name, false) && it->symlink_status(kind).type() == fs::file_type::directory) {
            std::error_code removed;
            fs::remove_all(it->path(), removed);
        }
    }
}

}  // namespace

void RequireReplaceable(const fs::path& target) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(target, ec);
    if (st.type() == fs::file_type::not_found || st.type() == fs::file_type::regular) return;
    const char* kind = st.type() == fs::file_type::symlink     ? "a symbolic link"
                       : st.type() == fs::file_type::directory ? "a folder"
                                                               : "not a regular file (a device, a pipe or a socket)";
    throw CliError(kExitIo, target.string() + ": " + kind + "; only a regular file is replaced by the output");
}

bool IsInside(const fs::path& inner, const fs::path& folder) {
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(fs::absolute(inner, ec), ec);
    const fs::path b = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty()) continue;
        if (ai == a.end() || *ai != *bi) return false;
    }
    return true;
}

StagingFolder::StagingFolder(const fs::path& output) {
    const fs::path parent = output.has_parent_path() ? output.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::path missing = fs::absolute(parent, ec); !missing.empty() && !fs::exists(missing, ec);
         missing = missing.parent_path())
        createdFolders_.push_back(missing);
    fs::create_directories(parent, ec);
    const std::string prefix = StagingPrefix(output);
    RemoveStaleStaging(parent, prefix);
    for (int n = 0; n < 1000 && path_.empty(); ++n) {
        const fs::path candidate = parent / (prefix + IntText(n));
        if (fs::create_directory(candidate, ec)) path_ = candidate;
    }
    if (path_.empty()) throw CliError(kExitIo, parent.string() + ": cannot create a staging folder for the output");
}

StagingFolder::~StagingFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
    // fs::remove leaves a folder that is not empty, such as one the output
    // was moved into.
    for (const fs::path& folder : createdFolders_) fs::remove(folder, ec);
}

void InstallInterruptHandlers() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

int InterruptSignal() { return gSignal; }

void ThrowIfInterrupted() {
    if (gSignal) throw CliError(kExitIo, "interrupted; nothing was written");
}

}  // namespace rv::builder
