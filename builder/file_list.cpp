#include "builder/file_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "base/text.h"
#include "builder/cli_error.h"
#include "builder/code_page.h"
#include "builder/time_stamp.h"
#include "format/records.h"

namespace rv::builder {

namespace {

namespace fs = std::filesystem;

// Through the path's own form: on Windows a name outside the ANSI code page
// is found only as a wide name.
std::time_t ModificationTime(const fs::path& path) {
#ifdef _WIN32
    struct _stat64 st {};
    return _wstat64(path.c_str(), &st) == 0 ? static_cast<std::time_t>(st.st_mtime) : 0;
#else
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
#endif
}

[[noreturn]] void Refuse(const fs::path& path, const std::string& why) {
    throw CliError(kExitInput, path.string() + ": " + why);
}

bool GlobMatches(const char* pattern, const char* text) {
    for (; *pattern; ++pattern, ++text) {
        if (*pattern == '*') {
            for (const char* rest = text;; ++rest) {
                if (GlobMatches(pattern + 1, rest)) return true;
                if (!*rest || *rest == '/') return false;
            }
        }
        if (!*text || (*pattern != '?' && UpperAscii(*pattern) != UpperAscii(*text)) ||
            (*pattern == '?' && *text == '/'))
            return false;
    }
    return !*text;
}

class SourceWalk {
public:
    explicit SourceWalk(const SourceOptions& o) : o_(o) {}

    // Returns whether anything was packed from below `dir`.
    bool Folder(const fs::path& dir, const std::string& relative, std::vector<fs::path>& ancestors) {
        std::error_code ec;
        bool packed = false;
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
        if (ec) Refuse(dir, ec.message());
        for (const fs::directory_entry& e : entries) {
            const std::string name = e.path().filename().u8string();
            packed = Entry(e, relative.empty() ? name : relative + "/" + name, ancestors) || packed;
        }
        if (!packed && !relative.empty())
            listing_.warnings.push_back(dir.string() +
                                        ": an empty folder; a package holds files only, so it will not be created");
        return packed;
    }

    SourceListing& listing() { return listing_; }

private:
    bool Entry(const fs::directory_entry& e, const std::string& relative, std::vector<fs::path>& ancestors) {
        std::error_code ec;
        fs::file_status st = e.symlink_status(ec);
        if (st.type() == fs::file_type::symlink) {
            if (!o_.followLinks)
                Refuse(e.path(), "a symbolic link (to " + fs::read_symlink(e.path(), ec).string() +
                                     "); set 'follow_links = true' to pack what it points to");
            st = e.status(ec);
            if (st.type() == fs::file_type::not_found) Refuse(e.path(), "a symbolic link to nothing");
        }
        const bool isFolder = st.type() == fs::file_type::directory;
        if (IsExcluded(relative, isFolder, o_.exclude)) return false;
        if (isFolder) return SubFolder(e.path(), relative, ancestors);
        if (st.type() != fs::file_type::regular) Refuse(e.path(), "not a regular file (a pipe, a socket or a device)");
        listing_.files.push_back(Describe(e.path(), relative));
        return true;
    }

    // A followed link may lead back to a folder above it, which would
    // repeat the tree without end.
    bool SubFolder(const fs::path& dir, const std::string& relative, std::vector<fs::path>& ancestors) {
        std::error_code ec;
        const fs::path real = fs::canonical(dir, ec);
        if (ec) Refuse(dir, ec.message());
        if (std::find(ancestors.begin(), ancestors.end(), real) != ancestors.end())
            Refuse(dir, "a symbolic link back to a folder above it (" + real.string() + "): a cycle");
        ancestors.push_back(real);
        const bool packed = Folder(dir, relative, ancestors);
        ancestors.pop_back();
        return packed;
    }

    SourceFile Describe(const fs::path& path, const std::string& relative) const {
        SourceFile f;
        f.path = path.u8string();
        f.displayName = relative;
        if (relative.find('\\') != std::string::npos)
            Refuse(path, "a backslash in a name would read as a folder separator");
        std::string why;
        if (!FromUtf8(StoredName(relative), o_.codePage, f.storedName, why))
            Refuse(path, "the name cannot be stored: " + why +
                             " (set 'codepage' to the code page of the systems "
                             "the setup is for)");
        const std::string unsafe = UnsafeNameReason(f.storedName);
        if (!unsafe.empty()) Refuse(path, "the name cannot be stored in a package: " + unsafe);
        std::error_code ec;
        f.size = fs::file_size(path, ec);
        if (ec) Refuse(path, ec.message());
        std::time_t mtime = ModificationTime(path);
        if (o_.latest && mtime > *o_.latest) mtime = *o_.latest;
        f.fileTime = o_.utcTimes ? DosFileTimeUtc(mtime) : DosFileTime(mtime);
        return f;
    }

    const SourceOptions& o_;
    SourceListing listing_;
};

[[noreturn]] void Clash(const std::string& folder, const std::string& a, const std::string& b) {
    throw CliError(kExitInput, folder + ": '" + a + "' and '" + b +
                                   "' are one name on Windows, which ignores case and the dots and blanks at the "
                                   "end of a name");
}

// Windows opens "Readme.txt" for "README.txt" and "foo" for "foo.": two such
// names would land in one file. A folder's key is registered for each file
// below it, so that a file "docs" and a folder "Docs" clash as well.
void RefuseWindowsCollisions(const std::string& folder, const std::vector<SourceFile>& files, int codePage) {
    std::map<std::string, std::string> seen;  // key -> name as given
    for (const SourceFile& f : files) {
        // The separators stand at other places in the two forms: a character
        // of the code page may take several bytes in UTF-8.
        for (size_t slash = f.displayName.find('/'), sep = f.storedName.find('\\'); slash != std::string::npos;
             slash = f.displayName.find('/', slash + 1), sep = f.storedName.find('\\', sep + 1)) {
            const std::string parent = f.displayName.substr(0, slash);
            const std::string stored = f.storedName.substr(0, sep);
            const auto [it, isNew] = seen.emplace(WindowsNameKey(stored, codePage), parent);
            if (!isNew && it->second != parent) Clash(folder, it->second, parent);
        }
        const auto [it, isNew] = seen.emplace(WindowsNameKey(f.storedName, codePage), f.displayName);
        if (!isNew) Clash(folder, it->second, f.displayName);
    }
}

}  // namespace

std::string StoredName(const std::string& relative) {
    std::string name = relative;
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

bool IsExcluded(const std::string& relative, bool isFolder, const std::vector<std::string>& patterns) {
    const std::string name = relative.substr(relative.rfind('/') + 1);
    for (std::string pattern : patterns) {
        if (!pattern.empty() && pattern.back() == '/') {
            if (!isFolder) continue;
            pattern.pop_back();
        }
        const bool byPath = pattern.find('/') != std::string::npos;
        if (GlobMatches(pattern.c_str(), byPath ? relative.c_str() : name.c_str())) return true;
    }
    return false;
}

SourceListing CollectSourceFiles(const std::string& folder, const SourceOptions& options) {
    std::error_code ec;
    const fs::file_status st = fs::status(folder, ec);
    if (st.type() == fs::file_type::not_found)
        throw CliError(kExitInput, folder + ": the source folder does not exist");
    if (st.type() != fs::file_type::directory) throw CliError(kExitInput, folder + ": the source is not a folder");
    const fs::path root(folder);
    SourceWalk walk(options);
    std::vector<fs::path> ancestors{fs::canonical(root, ec)};
    walk.Folder(root, "", ancestors);
    SourceListing listing = std::move(walk.listing());
    std::sort(listing.files.begin(), listing.files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.storedName < b.storedName; });
    RefuseWindowsCollisions(folder, listing.files, options.codePage);
    return listing;
}

}  // namespace rv::builder
