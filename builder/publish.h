// `publish`: what a publisher puts on the server (or in the test folder)
// for one edition of a product: the .INFO descriptor the agents download,
// the new setup and, for a news edition, the inform file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "builder/ini_text.h"

namespace rv::builder {

struct PublishProject {
    std::string infoName;         // the .INFO file name
    std::string token;            // the product's package token, plain
    std::string setupFile;        // the new setup; may be empty for a news edition
    std::string output;           // the folder to write
    std::vector<IniValue> given;  // the .INFO keys the project sets
    bool inform = false;          // a news edition: General AutoInform
    std::string informName;
    std::string informBody;  // 8-bit text, shown as it stands
    // "publish.toml:3: 'descriptor'" for the keys the checks of the new
    // setup name.
    std::map<std::string, std::string> where;
    std::vector<std::string> warnings;  // "file:line: ..." found while reading
};

// Reads and checks a publish project; throws CliError(kExitInput) naming
// the file and the offending key.
PublishProject LoadPublishProject(const std::string& path);

struct PublishSummary {
    std::string folder, infoPath, setupPath, informPath;  // setup and inform: "" when not written
    int64_t stamp = 0;
    uint64_t setupSize = 0, informSize = 0;
};

// Checks the new setup (a whole, undamaged single-file package of the
// product's descriptor carrying its token, not an agent, installing the
// version the edition offers) and only then writes into the folder: the setup copy, the
// inform file, and last the .INFO that points at them. Throws CliError.
PublishSummary Publish(const PublishProject& project, const std::string& outputOverride);

// The inform file: "|" token "|" "|" "|" body, the token in the form the
// package stores it, the whole scrambled with a key derived from the text.
std::string InformFileText(const std::string& token, const std::string& body);

}  // namespace rv::builder
