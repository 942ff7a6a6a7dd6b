// Language strings from the system: the user's language name and the
// language INI file beside the program.
#pragma once

#include <string>

namespace rv {

// The name of the thread locale's primary language, as "TURKISH".
std::string SystemLanguageName();
// <program folder>\HELP\English\Ravlin.language.ini
std::string LanguageIniPath();
std::string LanguageString(const std::string& key, const std::string& fallback);
std::string LanguageStringArg(const std::string& key, const std::string& fallback, const std::string& arg);

}  // namespace rv
