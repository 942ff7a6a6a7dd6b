#include "builder/language_file.h"

#include <filesystem>
#include <fstream>

#include "base/numbers.h"
#include "base/text.h"
#include "builder/cli_error.h"
#include "format/language.h"
#include "format/package_format.h"

namespace rv::builder {

namespace {

bool HasDelimiter(const std::string& s) {
    return s.find(kItemDelimiter) != std::string::npos || s.find(kSectionDelimiter) != std::string::npos;
}

bool IsComment(const std::string& line) { return line.empty() || line[0] == '#' || line[0] == ';'; }

void AddMissingDefaults(LanguageSection& section) {
    for (size_t i = 0; i < kTextDefaultCount; ++i) {
        bool present = false;
        for (const auto& entry : section.entries) present = present || SameText(entry.first, kTextDefaults[i].key);
        if (!present) section.entries.emplace_back(kTextDefaults[i].key, kTextDefaults[i].text);
    }
}

std::string EncodeSection(const LanguageSection& section) {
    std::string s(1, kItemDelimiter);
    s += section.name + kItemDelimiter;
    for (const auto& [key, value] : section.entries) s += key + "=" + value + kItemDelimiter;
    return s;
}

}  // namespace

LanguageSection ReadLanguageFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CliError(kExitInput, path + ": cannot open the language file");
    LanguageSection section;
    section.name = std::filesystem::path(path).stem().string();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = Trim(line);
        if (IsComment(trimmed)) continue;
        const std::string where = path + ":" + IntText(number) + ": ";
        const size_t equals = line.find('=');
        if (equals == std::string::npos) throw CliError(kExitInput, where + "expected key=value");
        const std::string key = Trim(line.substr(0, equals));
        if (key.empty()) throw CliError(kExitInput, where + "empty key");
        if (HasDelimiter(line)) throw CliError(kExitInput, where + "control characters 0x01 and 0x02 are reserved");
        section.entries.emplace_back(key, line.substr(equals + 1));
    }
    if (section.name.empty() || HasDelimiter(section.name))
        throw CliError(kExitInput, path + ": the file name does not give a language name");
    return section;
}

std::string MakeLanguageBlock(std::vector<LanguageSection> sections) {
    if (sections.empty()) sections.push_back(LanguageSection{"English", {}});
    std::string block(1, kSectionDelimiter);
    for (LanguageSection& section : sections) {
        if (SameText(section.name, "English")) AddMissingDefaults(section);
        block += EncodeSection(section) + kSectionDelimiter;
    }
    return block;
}

}  // namespace rv::builder
