// Language strings: the built-in English texts, the choice of a language
// section of the package, and the names of Windows primary languages.
#pragma once

#include <string>

namespace rv {

// The stub's own texts and their built-in defaults.
struct TextDefault {
    const char* key;
    const char* text;
};
extern const TextDefault kTextDefaults[];
extern const size_t kTextDefaultCount;
// The default of a key, or the empty text for a key the stub does not know.
const char* DefaultText(const std::string& key);

constexpr const char* kDefaultButtons = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";
constexpr int kDefaultFontSize = 8;
constexpr const char* kDefaultFontName = "Tahoma";

// The language name of a primary language identifier (the low 10 bits of a
// LANGID), as "TURKISH"; empty for an identifier the table lacks.
std::string LanguageNameOf(int primaryLanguage);

// The section of a language block for a system language: by its name, then
// "English", then the only section; empty when none applies.
std::string ChooseLanguageSection(const std::string& block, const std::string& systemLanguage);

// The value of a key in a section, or the default.
std::string SectionValue(const std::string& section, const std::string& key, const std::string& fallback);
// The same with the stub's built-in default for the key.
std::string SectionText(const std::string& section, const std::string& key);
int SectionCharset(const std::string& section);
int SectionFontSize(const std::string& section);
std::string SectionFontName(const std::string& section);

// A value of the language INI file: "|" alone is the empty text, and a pair
// of "|" round a value keeps its blanks.
std::string UnquoteIniValue(const std::string& value);
// "<?>" in a text replaced by an argument.
std::string WithArgument(const std::string& text, const std::string& arg);

}  // namespace rv
