// INI files written and read back through the system calls.
#include <gtest/gtest.h>

#include <string>

#include "base/ini_win.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

TEST(IniFiles, ReadWriteAndNumbers) {
    test::ScratchDir dir;
    const std::string ini = dir.File("settings.ini");
    EXPECT_EQ(IniRead(ini, "S", "k", "def"), "def");  // no file yet
    EXPECT_TRUE(IniWrite(ini, "S", "k", "value"));
    EXPECT_TRUE(IniWriteNumber(ini, "S", "n", -9000000000LL));
    EXPECT_EQ(IniRead(ini, "S", "k", "def"), "value");
    EXPECT_EQ(IniReadNumber(ini, "S", "n", 0), -9000000000LL);
    EXPECT_EQ(IniReadNumber(ini, "S", "k", 42), 42);  // not a number
    EXPECT_EQ(IniReadNumber(ini, "S", "missing", 42), 42);
    const std::string big(12000, 'x');
    EXPECT_TRUE(IniWrite(ini, "S", "big", big));
    EXPECT_EQ(IniRead(ini, "S", "big", "").size(), 10240u);  // the buffer holds 10 240 characters and a NUL
}

}  // namespace
}  // namespace rv
