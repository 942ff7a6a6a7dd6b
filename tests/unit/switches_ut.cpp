// The command tail and the switches in it.
#include <gtest/gtest.h>

#include "base/switches.h"

namespace rv {
namespace {

TEST(CommandLine, TailAndSwitches) {
    EXPECT_EQ(CommandTailOf("\"C:\\A B\\s.exe\" /x=1", "c:\\a b\\S.EXE"), "/x=1");
    EXPECT_EQ(CommandTailOf("C:\\s.exe   /x=1 ", "C:\\s.exe"), "/x=1");
    struct Case {
        const char* tail;
        const char* name;
        const char* expected;
    } cases[] = {
        {"/a=1 /hide", "/hide", "TRUE"},              // last, nothing after it
        {"/TRANSIENT= /DELAY=5", "/TRANSIENT=", ""},  // followed by a blank
        {"/TRANSIENT= /DELAY=5", "/DELAY=", "5"},
        {"/x=ab/cd e", "/x=", "ab"},  // cut at the blank, then at "/"
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

}  // namespace
}  // namespace rv
