// The names of the user, the computer and the owner; bound procedures,
// error texts and the environment.
#include <gtest/gtest.h>

#include <string>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/registry_win.h"
#include "base/system_win.h"
#include "base/window_win.h"

namespace rv {
namespace {

TEST(SystemNames, UserComputerAndOwner) {
    EXPECT_FALSE(UserName().empty());
    EXPECT_FALSE(ComputerName().empty());
    EXPECT_TRUE(IsNT());
    EXPECT_EQ(CurrentVersionKey(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
}

TEST(SystemNames, RegisteredOwnerAndOrganizationAreTrimmed) {
    RegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                            KEY_READ | KEY_WRITE, key.put()),
              ERROR_SUCCESS);
    const std::string owner = ReadRegistryValue(CurrentVersionKey(), "RegisteredOwner", "<none>");
    const std::string organization = ReadRegistryValue(CurrentVersionKey(), "RegisteredOrganization", "<none>");
    const auto set = [&](const char* name, const std::string& value) {
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    };
    const auto restore = [&](const char* name, const std::string& value) {
        if (value == "<none>")
            RegDeleteValueA(key.get(), name);
        else
            set(name, value);
    };
    set("RegisteredOwner", "  Ada Lovelace ");
    set("RegisteredOrganization", " Analytical Engines  ");
    EXPECT_EQ(RegisteredOwner(), "Ada Lovelace");
    EXPECT_EQ(RegisteredOrganization(), "Analytical Engines");
    RegDeleteValueA(key.get(), "RegisteredOwner");
    RegDeleteValueA(key.get(), "RegisteredOrganization");
    EXPECT_EQ(RegisteredOwner(), UserName());  // missing: the user's name
    EXPECT_EQ(RegisteredOrganization(), "");
    restore("RegisteredOwner", owner);
    restore("RegisteredOrganization", organization);
}

TEST(SystemCalls, ProcsErrorsEnvironment) {
    EXPECT_NE(LoadProc("kernel32.dll", "GetTickCount"), nullptr);
    EXPECT_EQ(LoadProc("no_such_library_rv.dll", "X"), nullptr);
    EXPECT_EQ(LoadProc("kernel32.dll", "NoSuchProcedureRv"), nullptr);
    auto* tick = BindProc<decltype(GetTickCount)>("kernel32.dll", "GetTickCount");
    ASSERT_NE(tick, nullptr);
    EXPECT_GT(tick(), 0u);
    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::string text = LastErrorText();
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("Error Reading"), std::string::npos);
    SetEnvironmentVariableA("RV_TEST_VALUE", "abc");
    EXPECT_EQ(EnvironmentValue("RV_TEST_VALUE"), "abc");
    EXPECT_EQ(EnvironmentValue("RV_TEST_UNSET_VALUE"), "");
    EXPECT_EQ(WindowText(nullptr), "");
}

}  // namespace
}  // namespace rv
