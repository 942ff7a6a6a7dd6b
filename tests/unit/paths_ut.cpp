// Backslashes, file names and folders of Windows paths, double-byte
// characters included.
#include <gtest/gtest.h>

#include "base/paths.h"

namespace rv {
namespace {

bool NoLeadBytes(unsigned char) { return false; }
bool HighBytesLead(unsigned char c) { return c >= 0x81; }

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

}  // namespace
}  // namespace rv
