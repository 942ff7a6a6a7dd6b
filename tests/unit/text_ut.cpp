// Delimited lists, searching, cutting and unquoting text.
#include <gtest/gtest.h>

#include "base/numbers.h"
#include "base/text.h"

namespace rv {
namespace {

TEST(Lists, FieldsAndCounts) {
    struct Case {
        const char* list;
        int index;
        const char* expected;
    } cases[] = {
        {"|a|b|", 0, "a"},    {"|a|b|", 1, "b"}, {"|a|b|", 2, "<def>"},  {"|a||b|", 1, "<def>"},   {"|a|b", 0, "a"},
        {"|a|b", 1, "<def>"}, {"", 0, "<def>"},  {"|a|b|", -1, "<def>"}, {"||JAN|FEB|", 2, "FEB"}, {"^x^y^", 1, "y"},
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
        {"|a=1|b=2|", "b", "2"},     {"|a=1|b=2|", "B", "2"},  // keys match in any case
        {"|a=1| b =2|", "b", "2"},                             // a blank after the delimiter and before "=" are ignored
        {"|a=1|b=|", "b", ""},                                 // present but empty is empty, not the default
        {"|a=1|b=2|", "c", "<def>"}, {"|a=1|b=2", "b", "<def>"},  // unclosed list
        {"||", "a", "<def>"},        {"|ab=1|b=2|", "b", "2"},    // whole key, not a suffix
        {"|a=x=y|", "a=", "x=y"},                                 // a key ending in "=" is not doubled
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

}  // namespace
}  // namespace rv
