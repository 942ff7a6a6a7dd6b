// File names as Windows sees them: conversion into a code page, the names
// Windows takes for one, and text made safe for a terminal.
#include <gtest/gtest.h>

#include "builder/code_page.h"

namespace rv::builder {
namespace {

TEST(CodePage, ConvertsWhatTheCodePageHoldsAndSaysWhyNot) {
    const struct {
        const char* utf8;
        int codePage;
        const char* stored;  // nullptr: refused
        const char* why;
    } cases[] = {
        {"T\xC3\xBCrk\xC3\xA7"
         "e.txt",
         1254,
         "T\xFCrk\xE7"
         "e.txt",
         ""},
        {"\xC4\x9F\xC4\xB1", 1254, "\xF0\xFD", ""},  // g-breve, dotless i
        {"\xC4\x9F", 1252, nullptr, "U+011F has no character in code page 1252"},
        {"\xE2\x82\xAC", 1251, "\x88", ""},  // the euro sign
        {"\xD0\x9F", 932, nullptr, "code page 932 is not one mksetup converts to"},
        {"plain", 932, "plain", ""},
        {"a\xFF", 1252, nullptr, "not UTF-8"},
        {"\xC0\xAF", 1252, nullptr, "not UTF-8"},      // an overlong "/"
        {"\xED\xA0\x80", 1252, nullptr, "not UTF-8"},  // a surrogate
        {"\xC3", 1252, nullptr, "not UTF-8"},          // cut short
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        std::string out, why;
        EXPECT_EQ(FromUtf8(c.utf8, c.codePage, out, why), c.stored != nullptr);
        EXPECT_EQ(out, c.stored ? c.stored : out);
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
}

TEST(CodePage, NamesWindowsTakesForOneShareAKey) {
    const struct {
        const char *a, *b;
        int codePage;
        bool same;
    } cases[] = {
        {"Readme.txt", "README.TXT", 1252, true},
        {"Docs\\a.txt", "docs\\A.txt", 1252, true},
        {"foo.", "foo", 1252, true},
        {"bar ", "bar", 1252, true},
        {"dir. \\x", "dir\\x", 1252, true},
        {"\xE9t\xE9", "\xC9T\xC9", 1252, true},  // e-acute in both cases
        {"\xE0", "\xC0", 1251, true},            // Cyrillic a
        {"a.b", "ab", 1252, false},
        {".x", "x", 1252, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowsNameKey(c.a, c.codePage) == WindowsNameKey(c.b, c.codePage), c.same) << c.a << " " << c.b;
}

TEST(CodePage, TerminalTextEscapesControlsAndStrayBytes) {
    EXPECT_EQ(DisplayText("a\x1B[2J\xFC\x81", 1252), "a\\x1b[2J\xC3\xBC\\x81");
    EXPECT_EQ(TerminalSafe("ok \xC3\xBC \x1B] \xC2\x9B \xFF"), "ok \xC3\xBC \\x1b] \\xc2\\x9b \\xff");
}

}  // namespace
}  // namespace rv::builder
