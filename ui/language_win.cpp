#include "ui/language_win.h"

#include <windows.h>

#include "base/ini_win.h"
#include "base/paths_win.h"
#include "format/language.h"

namespace rv {

namespace {
constexpr const char* kLanguageFolder = "English";
constexpr int kEnglish = 9;
}  // namespace

std::string SystemLanguageName() {
    const LCID locale = GetThreadLocale();
    const int primary = locale != 0 ? PRIMARYLANGID(LANGIDFROMLCID(locale)) : kEnglish;
    return LanguageNameOf(primary);
}

std::string LanguageIniPath() { return ProgramDir(true) + "HELP\\" + kLanguageFolder + "\\Ravlin.language.ini"; }

std::string LanguageString(const std::string& key, const std::string& fallback) {
    const std::string ini = LanguageIniPath();
    if (GetFileAttributesA(ini.c_str()) == INVALID_FILE_ATTRIBUTES) return fallback;
    const std::string value = UnquoteIniValue(IniRead(ini, "STRINGS", key, ""));
    return value.empty() ? fallback : value;
}

std::string LanguageStringArg(const std::string& key, const std::string& fallback, const std::string& arg) {
    return WithArgument(LanguageString(key, fallback), arg);
}

}  // namespace rv
