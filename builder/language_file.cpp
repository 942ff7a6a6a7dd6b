#include "builder/language_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/numbers.h"
#include "base/text.h"
#include "builder/cli_error.h"
#include "builder/code_page.h"
#include "builder/suggest.h"
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

const char* const kLanguageKeys[] = {"s0",        "s1",      "s2",      "s3",       "s4",      "s5",      "s6",
                                     "s7",        "s8",      "s10",     "s11",      "s12",     "BtnText", "Error",
                                     "Attention", "Confirm", "Charset", "FontSize", "FontName"};

struct Line {
    int number;
    std::string key, value;
};

std::vector<Line> ReadLines(const std::string& path, bool& utf8) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CliError(kExitInput, path + ": cannot open the language file");
    std::vector<Line> lines;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number == 1) utf8 = StartsWith("\xEF\xBB\xBF", line, false);
        if (number == 1 && utf8) line.erase(0, 3);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (IsComment(Trim(line))) continue;
        const std::string where = path + ":" + IntText(number) + ": ";
        const size_t equals = line.find('=');
        if (equals == std::string::npos) throw CliError(kExitInput, where + "expected key=value");
        const std::string key = Trim(line.substr(0, equals));
        if (key.empty()) throw CliError(kExitInput, where + "empty key");
        if (HasDelimiter(line)) throw CliError(kExitInput, where + "control characters 0x01 and 0x02 are reserved");
        lines.push_back({number, key, line.substr(equals + 1)});
    }
    return lines;
}

void CheckKey(const std::string& where, const std::string& key) {
    for (const char* known : kLanguageKeys)
        if (SameText(key, known)) return;
    std::vector<std::string> keys(std::begin(kLanguageKeys), std::end(kLanguageKeys));
    throw CliError(kExitInput, where + "unknown key '" + key + "'" + DidYouMean(key, keys) +
                                   "; the stub reads s0 ... s8, s10 ... s12, BtnText, Error, Attention, Confirm, "
                                   "Charset, FontSize and FontName");
}

int CheckNumber(const std::string& where, const std::string& key, const std::string& value, int low, int high) {
    const long long n = ToInt64(Trim(value), -1);
    if (n < low || n > high)
        throw CliError(kExitInput, where + "'" + key + "' must be a number from " + IntText(low) + " to " +
                                       IntText(high) + ", not '" + value + "'");
    return static_cast<int>(n);
}

std::string EncodeSection(const LanguageSection& section) {
    std::string s(1, kItemDelimiter);
    s += section.name + kItemDelimiter;
    for (const auto& [key, value] : section.entries) s += key + "=" + value + kItemDelimiter;
    return s;
}

}  // namespace

LanguageSection ReadLanguageFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw CliError(kExitInput, path + ": a folder, not a language file");
    LanguageSection section;
    section.path = path;
    section.name = std::filesystem::path(path).stem().string();
    bool utf8 = false;
    const std::vector<Line> lines = ReadLines(path, utf8);
    for (const Line& line : lines) {
        const std::string where = path + ":" + IntText(line.number) + ": ";
        CheckKey(where, line.key);
        for (const auto& entry : section.entries)
            if (SameText(entry.first, line.key))
                throw CliError(kExitInput, where + "'" + line.key + "' is given twice; the stub reads the first");
        if (SameText(line.key, "Charset")) section.charset = CheckNumber(where, line.key, line.value, 0, 255);
        if (SameText(line.key, "FontSize")) CheckNumber(where, line.key, line.value, 1, 144);
        section.entries.emplace_back(line.key, line.value);
    }
    if (utf8) {
        // The stub passes the texts to the system in the code page of the
        // language's Charset.
        const int codePage = CodePageOfCharset(section.charset);
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string why;
            if (!FromUtf8(lines[i].value, codePage, section.entries[i].second, why))
                throw CliError(kExitInput, path + ":" + IntText(lines[i].number) + ": '" + lines[i].key +
                                               "': the text cannot be stored: " + why);
        }
    }
    if (section.name.empty() || HasDelimiter(section.name))
        throw CliError(kExitInput, path + ": the file name does not give a language name");
    return section;
}

std::string MakeLanguageBlock(std::vector<LanguageSection> sections) {
    if (sections.empty()) sections.push_back(LanguageSection{"", "English", 0, {}});
    for (size_t i = 0; i < sections.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (SameText(sections[i].name, sections[j].name))
                throw CliError(kExitInput, sections[i].path + ": the language '" + sections[i].name +
                                               "' is already given by " + sections[j].path);
    std::string block(1, kSectionDelimiter);
    for (LanguageSection& section : sections) {
        if (SameText(section.name, "English")) AddMissingDefaults(section);
        block += EncodeSection(section) + kSectionDelimiter;
    }
    return block;
}

}  // namespace rv::builder
