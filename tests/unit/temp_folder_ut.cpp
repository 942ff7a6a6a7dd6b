#include <gtest/gtest.h>

#include "package/temp_folder.h"

namespace rv {
namespace {

TEST(TempFolders, PrivateFolderNames) {
    const struct {
        const char* parent;
        const char* prefix;
        const char* random;
        const char* name;
    } cases[] = {
        {"C:\\TEMP\\", "SETUP_", "0123456789ABCDEF", "C:\\TEMP\\SETUP_0123456789ABCDEF"},
        {"C:\\TEMP", "SETUP_", "AB", "C:\\TEMP\\SETUP_AB"},
        {"D:\\", "TEMP_", "AB", "D:\\TEMP_AB"},
        // A temp path the system could not give (one longer than the
        // buffer, say) must not put the folder at the root of the drive.
        {"", "SETUP_", "AB", ""},
        // Without the system's generator there is no name nobody could guess.
        {"C:\\TEMP\\", "SETUP_", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PrivateFolderName(c.parent, c.prefix, c.random), c.name) << c.parent;
}

}  // namespace
}  // namespace rv
