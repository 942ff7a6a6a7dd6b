#include "builder/file_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "builder/cli_error.h"
#include "builder/time_stamp.h"
#include "format/records.h"

namespace rv::builder {

namespace {

namespace fs = std::filesystem;

std::time_t ModificationTime(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

SourceFile Describe(const fs::path& folder, const fs::directory_entry& entry,
                    const std::optional<std::time_t>& latest) {
    SourceFile f;
    f.path = entry.path().string();
    const std::string relative = entry.path().lexically_relative(folder).generic_string();
#ifndef _WIN32
    if (relative.find('\\') != std::string::npos)
        throw CliError(kExitInput, f.path + ": a backslash in a name would read as a folder separator");
#endif
    f.storedName = StoredName(relative);
    const std::string unsafe = UnsafeNameReason(f.storedName);
    if (!unsafe.empty()) throw CliError(kExitInput, f.path + ": the name cannot be stored in a package: " + unsafe);
    std::error_code ec;
    f.size = entry.file_size(ec);
    if (ec) throw CliError(kExitInput, f.path + ": " + ec.message());
    const std::time_t mtime = ModificationTime(f.path);
    f.fileTime = DosFileTime(latest && mtime > *latest ? *latest : mtime);
    return f;
}

}  // namespace

std::string StoredName(const std::string& relative) {
    std::string name = relative;
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::vector<SourceFile> CollectSourceFiles(const std::string& folder, const std::optional<std::time_t>& latest) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw CliError(kExitInput, folder + ": the source folder does not exist");
    std::vector<SourceFile> files;
    const fs::path root(folder);
    fs::recursive_directory_iterator it(root, fs::directory_options::follow_directory_symlink, ec), end;
    for (; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(Describe(root, *it, latest));
    if (ec) throw CliError(kExitInput, folder + ": " + ec.message());
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.storedName < b.storedName; });
    return files;
}

}  // namespace rv::builder
