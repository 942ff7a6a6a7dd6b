// A builder project: what goes into one setup file, read from TOML.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/ini_text.h"

namespace rv::builder {

struct UpdateSettings {
    std::string agentSettings;
    std::string descriptorName;
    std::string programName;
    std::string token;  // plain; stored scrambled
    bool background = false;
    // [update.original]: the .original descriptor that goes into the
    // package beside the product's files; empty for none.
    std::vector<IniValue> original;
};

struct InternetSettings {
    std::string baseUrl;
    std::string setupFileName;
    bool alwaysDownload = false;
    std::string token;  // plain; stored scrambled
    uint64_t size = 0;  // bytes of the setup file that gets downloaded
    bool confirmDownload = false;
    // The package is the full setup that the internet setups of the same
    // product download: its own files plus this block, for the token test.
    bool fullSetup = false;
};

struct Project {
    std::string file;                   // the project file, for messages
    std::map<std::string, int> lines;   // full key -> its line in the file
    std::vector<std::string> warnings;  // "file:line: ..." found while reading

    // Paths are absolute or relative to the current folder; relative paths
    // in the file are taken from the project file's folder.
    std::string stubPath;
    std::string sourceDir;
    std::string output;
    std::vector<std::string> languageFiles;

    // The code page names are stored in; 0: from the first language's
    // Charset, else 1252.
    int codePage = 0;
    bool followLinks = false;          // pack what symbolic links point to
    std::vector<std::string> exclude;  // patterns of names left out

    std::string setupProgram;  // relative name inside sourceDir, "/" or "\" separated
    std::string setupParameters;

    int level = 9;  // zlib level 1..9; 0 stores every record
    uint64_t volumeSize = 0;
    bool recordLength = true;
    // Seconds since 1899-12-30 local time; unset: SOURCE_DATE_EPOCH or now.
    std::optional<int64_t> timeStamp;

    bool tempDriveNotice = false;
    bool activityBar = false;
    bool debugTrace = false;
    bool spannedOverDisks = false;
    bool writeAgent = false;
    bool isAgent = false;

    UpdateSettings update;
    std::optional<InternetSettings> internet;
};

// "project.toml:12: 'key'" for a message about a key the project sets, or
// "project.toml: 'key'" for one it leaves out.
std::string Where(const Project& p, const std::string& key);

// Reads and checks a project file; throws CliError(kExitInput) naming the
// file and the offending key.
Project LoadProject(const std::string& path);

}  // namespace rv::builder
