#include <gtest/gtest.h>

#include "format/language.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

TEST(LanguageNames, Table) {
    const struct {
        int id;
        const char* name;
    } cases[] = {{9, "ENGLISH"},     {31, "TURKISH"}, {26, "CROATIAN"}, {1, "ARABIC"}, {54, "AFRIKAANS"},
                 {42, "VIETNAMESE"}, {99, ""},        {0, ""},          {100, ""}};
    for (const auto& c : cases) EXPECT_EQ(LanguageNameOf(c.id), c.name) << c.id;
}

TEST(LanguageSections, ChoiceBySystemLanguageThenEnglishThenOnly) {
    const std::string englishAndTurkish = test::LanguageBlock({{"english", "s0=Hello"}, {"TURKISH", "s0=Merhaba"}});
    const std::string single = test::LanguageBlock({{"Deutsch", "s0=Hallo"}});
    const std::string twoOthers = test::LanguageBlock({{"French", "s0=Salut"}, {"German", "s0=Hallo"}});
    const struct {
        const std::string* block;
        const char* system;
        const char* s0;
    } cases[] = {
        {&englishAndTurkish, "TURKISH", "Merhaba"},
        {&englishAndTurkish, "FRENCH", "Hello"},
        {&englishAndTurkish, "", "Hello"},
        {&single, "TURKISH", "Hallo"},
        {&twoOthers, "GERMAN", "Hallo"},
        {&twoOthers, "TURKISH", "Ravlin Installation Suite"},  // no section: the default
    };
    for (const auto& c : cases)
        EXPECT_EQ(SectionText(ChooseLanguageSection(*c.block, c.system), "s0"), c.s0) << c.system;
}

TEST(LanguageSections, KeysAndTheirDefaults) {
    const std::string block =
        test::LanguageBlock({{"English", " Charset =177", "FontSize=x", "s1=", "BtnText=|Oui|Non|"}});
    const std::string chosen = ChooseLanguageSection(block, "ENGLISH");
    EXPECT_EQ(SectionCharset(chosen), 177);
    EXPECT_EQ(SectionFontSize(chosen), 8);  // not a number
    EXPECT_EQ(SectionFontName(chosen), "Tahoma");
    EXPECT_EQ(SectionText(chosen, "s1"), "");  // present and empty
    EXPECT_EQ(SectionText(chosen, "s7"), "Bad CRC!<P>This indicates that your setup file might be corrupted...");
    EXPECT_EQ(SectionText(chosen, "BtnText"), "|Oui|Non|");
    EXPECT_EQ(SectionText("", "BtnText"), kDefaultButtons);
    EXPECT_EQ(SectionCharset(""), 0);
    EXPECT_EQ(DefaultText("s9"), std::string());
}

TEST(LanguageIni, UnquotingAndArguments) {
    EXPECT_EQ(UnquoteIniValue("|"), "");
    EXPECT_EQ(UnquoteIniValue("|  padded  |"), "  padded  ");
    EXPECT_EQ(UnquoteIniValue("plain"), "plain");
    EXPECT_EQ(WithArgument("RunTimeDir(<?>)<P><P>Not Found!", "3"), "RunTimeDir(3)<P><P>Not Found!");
    EXPECT_EQ(WithArgument("<?><?>", "ab"), "abab");
}

}  // namespace
}  // namespace rv
