// Language files and the language block made of them.
#include <gtest/gtest.h>

#include <fstream>

#include "builder/cli_error.h"
#include "builder/language_file.h"
#include "format/language.h"
#include "tests/unit/builder_test_util.h"
#include "tests/unit/test_util.h"

namespace rv::builder {
namespace {

TEST(LanguageFile, EnglishGetsTheBuiltInTextsOtherLanguagesKeepTheirOwn) {
    test::TempDir dir;
    std::ofstream(dir.Path("English.txt")) << "# comment\n\ns0=My Setup\r\n s1 = spaced=value\n";
    std::ofstream(dir.Path("Turkish.txt")) << "s0=Kurulum\n";
    const std::string block =
        MakeLanguageBlock({ReadLanguageFile(dir.Path("English.txt")), ReadLanguageFile(dir.Path("Turkish.txt"))});
    const std::string english = ChooseLanguageSection(block, "ENGLISH");
    const std::string turkish = ChooseLanguageSection(block, "TURKISH");
    EXPECT_EQ(SectionText(english, "s0"), "My Setup");
    EXPECT_EQ(SectionText(english, "s1"), " spaced=value");
    EXPECT_EQ(SectionValue(english, "s7", "missing"), DefaultText("s7"));
    EXPECT_EQ(SectionValue(english, "BtnText", "missing"), kDefaultButtons);
    EXPECT_EQ(SectionText(turkish, "s0"), "Kurulum");
    EXPECT_EQ(SectionValue(turkish, "s7", "missing"), "missing");
}

TEST(LanguageFile, NoLanguagesGiveTheBuiltInEnglishSection) {
    const std::string english = ChooseLanguageSection(MakeLanguageBlock({}), "FRENCH");
    for (size_t i = 0; i < kTextDefaultCount; ++i)
        EXPECT_EQ(SectionValue(english, kTextDefaults[i].key, "missing"), kTextDefaults[i].text);
}

TEST(LanguageFile, BadLinesNameFileAndLine) {
    test::TempDir dir;
    std::ofstream(dir.Path("French.txt")) << "s0=ok\nno equals sign\n";
    std::ofstream(dir.Path("German.txt")) << "s0=a\x01"
                                             "b\n";
    EXPECT_NE(std::string(Failure([&] { ReadLanguageFile(dir.Path("French.txt")); }).what()).find("French.txt:2:"),
              std::string::npos);
    EXPECT_NE(std::string(Failure([&] { ReadLanguageFile(dir.Path("German.txt")); }).what()).find("German.txt:1:"),
              std::string::npos);
    EXPECT_EQ(Failure([&] { ReadLanguageFile(dir.Path("Missing.txt")); }).code(), kExitInput);
}

}  // namespace
}  // namespace rv::builder
