#include "builder/ini_text.h"

#include <algorithm>

#include "base/numbers.h"
#include "builder/cli_error.h"

namespace rv::builder {

namespace {

// What the agent's INI reader returns at most (its buffer less the NUL).
constexpr size_t kLongestValue = 10240;

// The system's reader drops blanks round a value and one pair of quotes
// enclosing it: a value that would lose either is written in quotes.
std::string Quoted(const std::string& value) {
    if (value.empty()) return value;
    const bool blankEdge = value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t';
    const bool quoteFirst = value.front() == '"' || value.front() == '\'';
    return blankEdge || quoteFirst ? "\"" + value + "\"" : value;
}

}  // namespace

std::string IniValueProblem(const std::string& value) {
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return "a value cannot hold a line break or a NUL character";
    if (value.size() > kLongestValue) return "a value cannot be longer than " + IntText(kLongestValue) + " characters";
    return "";
}

std::string IniText(const std::vector<IniValue>& values) {
    // The system's reader sees only the first of two sections of one name,
    // so every section is written once, with all of its keys.
    std::vector<std::string> sections;
    for (const IniValue& v : values)
        if (std::find(sections.begin(), sections.end(), v.key.section) == sections.end())
            sections.push_back(v.key.section);
    std::string text;
    for (const std::string& section : sections) {
        text += std::string(text.empty() ? "" : "\r\n") + "[" + section + "]\r\n";
        for (const IniValue& v : values) {
            if (section != v.key.section) continue;
            const std::string problem = IniValueProblem(v.value);
            if (!problem.empty()) throw CliError(kExitInput, section + "." + v.key.key + ": " + problem);
            text += std::string(v.key.key) + "=" + Quoted(v.value) + "\r\n";
        }
    }
    return text;
}

}  // namespace rv::builder
