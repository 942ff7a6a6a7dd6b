#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/random.h"
#include "base/registry.h"
#include "base/scrambler.h"
#include "base/switches.h"
#include "base/text.h"

namespace rv {
namespace {

bool NoLeadBytes(unsigned char) { return false; }
bool HighBytesLead(unsigned char c) { return c >= 0x81; }

TEST(Lists, FieldsAndCounts) {
    struct Case {
        const char* list;
        int index;
        const char* expected;
    } cases[] = {
        {"|a|b|", 0, "a"},       {"|a|b|", 1, "b"},   {"|a|b|", 2, "<def>"},  {"|a||b|", 1, "<def>"},
        {"|a|b", 0, "a"},        {"|a|b", 1, "<def>"}, {"", 0, "<def>"},      {"|a|b|", -1, "<def>"},
        {"||JAN|FEB|", 2, "FEB"}, {"^x^y^", 1, "y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListField(c.list, c.index, "<def>"), c.expected) << c.list << " field " << c.index;
    EXPECT_EQ(ListCount("|a|b|"), 2);
    EXPECT_EQ(ListCount("|a|b"), 0);
    EXPECT_EQ(ListCount(""), 0);
    EXPECT_EQ(ListCount("|"), 0);
}

TEST(Lists, SetFieldGrowsAndPicksAFreeDelimiter) {
    EXPECT_EQ(SetListField("|a|b|", 1, "x"), "|a|x|");
    EXPECT_EQ(SetListField("", 2, "z"), "|||z|");
    EXPECT_EQ(SetListField("|a|b|", 0, "p|q"), "^p|q^b^");
    // Every candidate taken: the NULs stay.
    const std::string all = std::string("|^!~@#$&*") + '\xFF';
    EXPECT_EQ(SetListField("", 0, all), std::string(1, '\0') + all + '\0');
}

TEST(Lists, DelimitedValue) {
    struct Case {
        const char* list;
        const char* key;
        const char* expected;
    } cases[] = {
        {"|a=1|b=2|", "b", "2"},
        {"|a=1|b=2|", "B", "2"},            // keys match in any case
        {"|a=1| b =2|", "b", "2"},          // a blank after the delimiter and before "=" are ignored
        {"|a=1|b=|", "b", ""},              // present but empty is empty, not the default
        {"|a=1|b=2|", "c", "<def>"},        {"|a=1|b=2", "b", "<def>"},  // unclosed list
        {"||", "a", "<def>"},               {"|ab=1|b=2|", "b", "2"},    // whole key, not a suffix
        {"|a=x=y|", "a=", "x=y"},           // a key ending in "=" is not doubled
    };
    for (const Case& c : cases) EXPECT_EQ(DelimitedValue(c.list, c.key, "<def>"), c.expected) << c.list;
}

TEST(Text, ReplaceAllNeverRematchesInsertedText) {
    EXPECT_EQ(ReplaceAll("aXa", "a", "aa", false), "aaXaa");
    EXPECT_EQ(ReplaceAll("aXA", "a", "b", true), "bXb");
    EXPECT_EQ(ReplaceAll("aXA", "a", "b", false), "bXA");
    EXPECT_EQ(ReplaceAll("<P>x<p>", "<p>", "\n", true), "\nx\n");
    EXPECT_EQ(ReplaceAll("abc", "", "z", false), "abc");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "", false), "a");
}

TEST(Text, Positions) {
    EXPECT_EQ(PosText("b", "aBc"), 2u);
    EXPECT_EQ(PosText("x", "abc"), 0u);
    EXPECT_EQ(PosFrom("a", "abca", 2), 4u);
    EXPECT_EQ(PosFrom("a", "abca", 0), 0u);
    EXPECT_EQ(PosFromText("A", "abca", 2), 4u);
    EXPECT_EQ(LastPos("ab", "abxab"), 4u);
    EXPECT_EQ(LastPos("q", "abxab"), 0u);
    EXPECT_TRUE(SameText("  abc ", "ABC"));
    EXPECT_FALSE(SameText("\xe9", "\xc9"));  // only a..z fold
    EXPECT_TRUE(StartsWith("HK", "hkcu\\x", true));
    EXPECT_FALSE(StartsWith("HK", "hkcu\\x", false));
    EXPECT_TRUE(EndsWith(".EXE", "setup.exe", true));
    EXPECT_EQ(TextBefore("a|b|c", "|"), "a");
    EXPECT_EQ(TextBefore("abc", "|"), "");
    EXPECT_EQ(TextAfter("a|b|c", "|"), "b|c");
    EXPECT_EQ(TextAfter("abc", "|"), "abc");
}

TEST(Text, UnquoteAndPadding) {
    EXPECT_EQ(Unquote("|", '|'), "");
    EXPECT_EQ(Unquote("| a |", '|'), " a ");
    EXPECT_EQ(Unquote("|a", '|'), "|a");
    EXPECT_EQ(Unquote("\"x\"", '"'), "x");
    EXPECT_EQ(ZeroPad(5, 2), "05");
    EXPECT_EQ(ZeroPad(987, 2), "987");
    EXPECT_EQ(PadLeft("7", 3, ' '), "  7");
    EXPECT_EQ(BoolText(true), "TRUE");
    EXPECT_EQ(IntText(-9223372036854775807LL - 1), "-9223372036854775808");
}

TEST(Text, Numbers) {
    EXPECT_EQ(ParseNumber("ff", 16), 255);
    EXPECT_EQ(ParseNumber(" 101 ", 2), 5);
    EXPECT_EQ(ParseNumber("1Z", 10), 10 - 1);  // outside the table counts -1
    EXPECT_EQ(ParseHex("0x1A"), 26);
    EXPECT_EQ(ParseHex("1a"), 26);
    EXPECT_EQ(ToInt64(" -42 ", 0), -42);
    EXPECT_EQ(ToInt64("TRUE", 7), 7);
    EXPECT_EQ(ToInt64("", 7), 7);
    EXPECT_EQ(ToInt64("99999999999999999999", 7), 7);
    EXPECT_EQ(EnsureRange(50, 1, 25), 25);
    for (int i = 0; i < 100; ++i) {
        const long long n = RandomNumber(10000, 100000);
        EXPECT_GE(n, 10000);
        EXPECT_LE(n, 100000);
    }
}

TEST(Dates, StampsAndSecondsSince1899) {
    const DateTime t{2026, 12, 5, 14, 3, 9};
    EXPECT_EQ(DateStamp(t), "05-DEC-2026");
    EXPECT_EQ(DateTimeStamp(t), "05-DEC-2026  14:03:09");
    EXPECT_EQ(LogTimeStamp(t), "05/12/26 14:03:09");
    EXPECT_EQ(SecondsSince1899({1899, 12, 30, 0, 0, 0}), 0);
    EXPECT_EQ(SecondsSince1899({1900, 1, 1, 0, 0, 1}), 2 * 86400 + 1);
    // 1970-01-01 is day 25569 of this time base.
    EXPECT_EQ(SecondsSince1899({1970, 1, 1, 0, 0, 0}), 25569LL * 86400);
    const DateTime back = DateTimeFromSeconds(SecondsSince1899(t));
    EXPECT_EQ(DateTimeStamp(back), DateTimeStamp(t));
    EXPECT_EQ(DateStamp(DateTimeFromSeconds(-86400)), "29-DEC-1899");
}

TEST(Paths, Backslashes) {
    EXPECT_EQ(WithBackslash("D:\\", true, NoLeadBytes), "D:\\");
    EXPECT_EQ(WithBackslash("D:\\Dir\\", false, NoLeadBytes), "D:\\Dir");
    EXPECT_EQ(WithBackslash("D:\\Dir", true, NoLeadBytes), "D:\\Dir\\");
    EXPECT_EQ(WithBackslash("C\\", false, NoLeadBytes), "C\\");  // two characters stay
    // A backslash that is the trail byte of a double-byte character stays.
    EXPECT_EQ(WithBackslash("D:\\\x95\\", false, HighBytesLead), "D:\\\x95\\");
    EXPECT_EQ(WithoutBackslash("\\", NoLeadBytes), "");
    EXPECT_EQ(WithoutBackslash("C\\", NoLeadBytes), "C");
    EXPECT_EQ(WithoutBackslash("D:\\Dir", NoLeadBytes), "D:\\Dir");
    EXPECT_EQ(NameWithoutExtensions("C:\\x\\Setup.exe.001"), "Setup");
    EXPECT_EQ(FileNameOf("C:\\x\\Setup.exe"), "Setup.exe");
    EXPECT_EQ(FolderOf("C:\\x\\Setup.exe"), "C:\\x\\");
}

TEST(CommandLine, TailAndSwitches) {
    EXPECT_EQ(CommandTailOf("\"C:\\A B\\s.exe\" /x=1", "c:\\a b\\S.EXE"), "/x=1");
    EXPECT_EQ(CommandTailOf("C:\\s.exe   /x=1 ", "C:\\s.exe"), "/x=1");
    struct Case {
        const char* tail;
        const char* name;
        const char* expected;
    } cases[] = {
        {"/a=1 /hide", "/hide", "TRUE"},                      // last, nothing after it
        {"/TRANSIENT= /DELAY=5", "/TRANSIENT=", ""},           // followed by a blank
        {"/TRANSIENT= /DELAY=5", "/DELAY=", "5"},
        {"/x=ab/cd e", "/x=", "ab"},                          // cut at the blank, then at "/"
        {"/OriginExe=\"C:\\My Dir\\a.exe\" /z", "/ORIGINEXE=", "C:\\My Dir\\a.exe"},
        {"/OriginExe=\"C:\\open", "/OriginExe=", "C:\\open"},  // unclosed quote runs to the end
        {"/a=1", "/b=", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SwitchValueIn(c.tail, c.name), c.expected) << c.tail;
    EXPECT_EQ(SwitchNumberIn("/STOP=0", "/STOP=", -1), 0);
    EXPECT_EQ(SwitchNumberIn("/x /STOP=", "/STOP=", -1), -1);  // "TRUE" is not a number
    EXPECT_EQ(SwitchNumberIn("", "/STOP=", -1), -1);
    EXPECT_TRUE(SwitchPresentIn("/a /HIDE", "/hide"));
}

TEST(Registry, PathsAndValueTexts) {
    struct Case {
        const char* path;
        uint32_t root;
        const char* subkey;
    } cases[] = {
        {"hklm\\Software\\X", 0x80000002, "Software\\X"},
        {"Software\\X", 0x80000001, "Software\\X"},
        {"HKXX\\Y", 0x80000001, "Y"},
        {" HKEY_CLASSES_ROOT ", 0x80000000, ""},
        {"HKU\\.DEFAULT", 0x80000003, ".DEFAULT"},
        {"HKCC\\a", 0x80000005, "a"},
        {"HKDD\\a", 0x80000006, "a"},
    };
    for (const Case& c : cases) {
        const RegistryPath p = SplitRegistryPath(c.path);
        EXPECT_EQ(p.root, c.root) << c.path;
        EXPECT_EQ(p.subkey, c.subkey) << c.path;
    }
    EXPECT_EQ(RegistryValueText(7, std::string("a\0b\0\0", 5)), "a<0>b");
    EXPECT_EQ(RegistryValueText(4, std::string("\xff\xff\xff\xff", 4)), "-1");
    EXPECT_EQ(RegistryValueText(1, std::string("abc\0junk", 8)), "abc");
}

TEST(Scramble, RoundTripAndMarker) {
    const std::string plain = "Hello|world \x01\xff";
    for (int key = 33; key <= 122; key += 17) {
        const std::string encoded = ScrambleWithKey(plain, true, key);
        ASSERT_EQ(encoded.substr(0, 12), kScrambleMarker);
        EXPECT_EQ(static_cast<unsigned char>(encoded[12]), key);
        EXPECT_EQ(Scramble(encoded, false), plain);
        EXPECT_EQ(Scramble(encoded, true), encoded);  // already marked
    }
    EXPECT_EQ(Scramble("plain", false), "plain");  // unmarked text decodes to itself
    // Even positions XOR with i+1+key, odd ones with i+1-key.
    EXPECT_EQ(ScrambleWithKey(std::string(2, '\0'), true, 40),
              std::string("Scrambled=01") + char(40) + char(41) + char((2 - 40) & 0xFF));
}

}  // namespace
}  // namespace rv
