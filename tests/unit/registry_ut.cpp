// Registry paths and the text of registry values.
#include <gtest/gtest.h>

#include "base/registry.h"

namespace rv {
namespace {

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

}  // namespace
}  // namespace rv
