#include <gtest/gtest.h>

#include "package/temp_folder.h"

namespace rv {
namespace {

TEST(TempFolders, SetupFolderName) {
    EXPECT_EQ(SetupFolderName("C:\\TEMP\\", 0x5A3B1234), "C:\\TEMP\\SETUP_4660");
    EXPECT_EQ(SetupFolderName("C:\\TEMP", 0xFFFF), "C:\\TEMP\\SETUP_65535");
}

}  // namespace
}  // namespace rv
