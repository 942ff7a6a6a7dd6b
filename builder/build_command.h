// `build`: makes a setup file (or a set of volumes) from a project.
#pragma once

#include <cstdint>
#include <ctime>
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
};

struct BuildSummary {
    std::vector<std::string> volumes;
    size_t files = 0;
    size_t records = 0;
    uint64_t inputBytes = 0;
    uint64_t outputBytes = 0;
};

// Builds the package. Output appears only when the whole build succeeded:
// volumes are written into a staging folder beside the output and moved
// into place at the end. Throws CliError.
BuildSummary BuildPackage(const Project& project, const BuildOptions& options);

// The update and internet blocks of a project, their tokens scrambled.
std::string MakeUpdateBlock(const UpdateSettings& u);
std::string MakeInternetBlock(const InternetSettings& i);

}  // namespace rv::builder
