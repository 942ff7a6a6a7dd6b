// `build`: makes a setup file (or a set of volumes) from a project.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "builder/project.h"

namespace rv::builder {

struct BuildOptions {
    std::string stubOverride;    // --stub
    std::string outputOverride;  // -o
    unsigned threads = 0;        // 0: every core
    const char* sourceDateEpoch = nullptr;
    std::time_t now = 0;
    // Called with the bytes read so far and in all, after every record.
    std::function<void(uint64_t done, uint64_t total)> progress;
    // Called with the stored name of every file as it goes in.
    std::function<void(const std::string& name)> onFile;
};

struct BuildSummary {
    std::vector<std::string> volumes;  // the package's volumes, the launcher not among them
    std::string launcher;              // spanned over disks: the launcher, else ""
    std::vector<std::string> warnings;
    size_t files = 0;
    size_t records = 0;
    uint64_t inputBytes = 0;
    uint64_t outputBytes = 0;
};

// Builds the package. Output appears only when the whole build succeeded:
// volumes are written into a staging folder beside the output and moved
// into place at the end, over regular files only. An output that is one of
// the build's inputs or lies in its source folder is refused. Throws
// CliError.
BuildSummary BuildPackage(const Project& project, const BuildOptions& options);

// A hash of `value` (FNV-1a from `seed`) for what must be chosen
// deterministically: token salts, scrambling keys, descriptor stamps.
unsigned StableHash(const std::string& value, unsigned seed);

// The update and internet blocks of a project, their tokens scrambled.
// StoredUpdateToken is the update block's token item, also the form the
// agent reads from an inform file.
std::string StoredUpdateToken(const std::string& token);
std::string MakeUpdateBlock(const UpdateSettings& u);
std::string MakeInternetBlock(const InternetSettings& i);

}  // namespace rv::builder
