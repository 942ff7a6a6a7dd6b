// Registry values of every kind read through the real registry.
#include <gtest/gtest.h>

#include <string>

#include "base/handle_win.h"
#include "base/registry_win.h"

namespace rv {
namespace {

const char kTestKey[] = "Software\\RavlinTests\\TextUtilities";

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr),
            ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    }
    void Set(const char* name, DWORD type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    RegKey key_;
};

TEST_F(RegistryFixture, ReadsEveryValueKindThroughTheRealRegistry) {
    Set("Text", REG_SZ, std::string("hello\0", 6));
    Set("Number", REG_DWORD, std::string("\xfe\xff\xff\xff", 4));
    Set("Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    Set("Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    const std::string path = std::string("HKCU\\") + kTestKey;
    EXPECT_EQ(ReadRegistryValue(path, "Text", "def"), "hello");
    EXPECT_EQ(ReadRegistryValue(path, "Number", "def"), "-2");
    EXPECT_EQ(ReadRegistryValue(path, "Multi", "def"), "a<0>b");
    EXPECT_EQ(ReadRegistryValue(path, "Expand", "def"), "%TEMP%\\x");
    EXPECT_EQ(ReadRegistryValue(kTestKey, "Text", "def"), "hello");  // no root: the current user
    EXPECT_EQ(ReadRegistryValue(path, "Missing", "def"), "def");
    EXPECT_EQ(ReadRegistryValue(path + "\\NoSuchKey", "Text", "def"), "def");
    EXPECT_EQ(RegistryRoot("hklm"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegistryRoot("nonsense"), HKEY_CURRENT_USER);
}

}  // namespace
}  // namespace rv
