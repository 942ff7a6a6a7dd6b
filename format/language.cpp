#include "format/language.h"

#include "base/numbers.h"
#include "base/text.h"
#include "format/package_format.h"

namespace rv {

const TextDefault kTextDefaults[] = {
    {"s0", "Ravlin Installation Suite"},
    {"s1", "Extracting Files..."},
    {"s2", "Ravlin will extract files to your Temp Drive (<DRIVE>)<P>"},
    {"s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>"},
    {"s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>"},
    {"s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>"},
    {"s6", "<P>Continue with Setup?<P>"},
    {"s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."},
    {"s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue"},
    {"s10", "Downloading File..."},
    {"s11",
     "<b>INTERNET DOWNLOAD</b><p><p>Ravlin will download the Setup File from the Internet...<p>Please make sure "
     "your Internet connection is properly set.<p><p>Continue with Setup?<p><P>Size: <SIZE> MB<P>"},
    {"s12", "No valid Internet Connection.<p>Can not Download File!"},
    {"BtnText", kDefaultButtons},
    {"Error", "Error"},
    {"Attention", "Attention"},
    {"Confirm", "Confirm"},
    {"Charset", "0"},
    {"FontSize", "8"},
    {"FontName", kDefaultFontName},
};
const size_t kTextDefaultCount = sizeof kTextDefaults / sizeof kTextDefaults[0];

const char* DefaultText(const std::string& key) {
    for (const TextDefault& d : kTextDefaults)
        if (SameText(key, d.key)) return d.text;
    return "";
}

namespace {
// Names padded to 13 characters, "= ", then the identifier in two digits.
const char kLanguageNames[] =
    "|AFRIKAANS    = 54|ALBANIAN     = 28|ARABIC       = 01|BASQUE       = 45|BELARUSIAN   = 35"
    "|BULGARIAN    = 02|CATALAN      = 03|CHINESE      = 04|CROATIAN     = 26|CZECH        = 05"
    "|DANISH       = 06|DUTCH        = 19|ENGLISH      = 09|ESTONIAN     = 37|FAEROESE     = 56"
    "|FARSI        = 41|FINNISH      = 11|FRENCH       = 12|GERMAN       = 07|GREEK        = 08"
    "|HEBREW       = 13|HUNGARIAN    = 14|ICELANDIC    = 15|INDONESIAN   = 33|ITALIAN      = 16"
    "|JAPANESE     = 17|KOREAN       = 18|LATVIAN      = 38|LITHUANIAN   = 39|NORWEGIAN    = 20"
    "|POLISH       = 21|PORTUGUESE   = 22|ROMANIAN     = 24|RUSSIAN      = 25|SERBIAN      = 26"
    "|SLOVAK       = 27|SLOVENIAN    = 36|SPANISH      = 10|SWEDISH      = 29|THAI         = 30"
    "|TURKISH      = 31|UKRAINIAN    = 34|VIETNAMESE   = 42|";
}  // namespace

std::string LanguageNameOf(int primaryLanguage) {
    const std::string digits = ZeroPad(primaryLanguage, 2);
    const int count = ListCount(kLanguageNames);
    for (int i = 0; i < count; ++i) {
        const std::string field = ListField(kLanguageNames, i);
        const size_t equals = field.find('=');
        if (field.find(digits) == std::string::npos || equals == std::string::npos || equals < 1) continue;
        return Trim(field.substr(0, equals));
    }
    return std::string();
}

std::string ChooseLanguageSection(const std::string& block, const std::string& systemLanguage) {
    const int count = ListCount(block);
    for (const std::string& wanted : {systemLanguage, std::string("English")}) {
        if (Trim(wanted).empty()) continue;
        for (int i = 0; i < count; ++i) {
            const std::string section = ListField(block, i);
            if (SameText(ListField(section, 0), wanted)) return section;
        }
    }
    return count == 1 ? ListField(block, 0) : std::string();
}

std::string SectionValue(const std::string& section, const std::string& key, const std::string& fallback) {
    return DelimitedValue(section, key, fallback);
}

std::string SectionText(const std::string& section, const std::string& key) {
    return SectionValue(section, key, DefaultText(key));
}

int SectionCharset(const std::string& section) {
    return static_cast<int>(ToInt64(SectionValue(section, "Charset", "0"), 0));
}

int SectionFontSize(const std::string& section) {
    return static_cast<int>(ToInt64(SectionValue(section, "FontSize", "8"), kDefaultFontSize));
}

std::string SectionFontName(const std::string& section) { return SectionValue(section, "FontName", kDefaultFontName); }

std::string UnquoteIniValue(const std::string& value) { return Unquote(value, '|'); }

std::string WithArgument(const std::string& text, const std::string& arg) {
    return ReplaceAll(text, "<?>", arg, false);
}

}  // namespace rv
