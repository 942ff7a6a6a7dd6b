// The system folders and this program's own file.
#include <gtest/gtest.h>

#include <string>

#include "base/paths_win.h"
#include "base/text.h"

namespace rv {
namespace {

TEST(SystemPaths, FoldersHaveNoTrailingBackslashUnlessAsked) {
    for (const std::string& folder : {ProgramDir(false), WindowsDir(false), SystemDir(false), TempDir(false)}) {
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(folder.back(), '\\') << folder;
        EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    }
    EXPECT_EQ(TempDir(true), TempDir(false) + "\\");
    EXPECT_EQ(WithBackslash("C:\\", true), "C:\\");
    EXPECT_TRUE(EndsWith(".exe", ProgramFile(), true));
}

}  // namespace
}  // namespace rv
