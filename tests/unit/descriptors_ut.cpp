#include <gtest/gtest.h>

#include "autoupdate/agent_state.h"
#include "tests/unit/memory_store.h"

namespace rv {
namespace {

using test::MemoryStore;

TEST(Descriptors, DefaultsFlagsAndNumbers) {
    MemoryStore store;
    EXPECT_EQ(ReadNumber(store, original_key::kVersionOriginal), 0);
    EXPECT_EQ(ReadNumber(store, info_key::kAutoInformWidth), 360);
    EXPECT_EQ(ReadText(store, original_key::kButtonText), "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|");
    EXPECT_EQ(ReadText(store, AgentTextKey(AgentString::InfoDownloadStatus)), "Downloading INFO File...");
    EXPECT_EQ(ReadText(store, AgentTextKey(AgentString::ShotConfirm)), "");
    store.values["OriginalSetup/ProbeSecondsInterval"] = "daily";
    EXPECT_EQ(ReadNumber(store, original_key::kProbeSecondsInterval), 0);  // not a number: probe once
    for (const char* off : {"yes", "true", "TRUE", " 1", "01", ""}) {
        store.values["NewSetup/BackgroundUpdate"] = off;
        EXPECT_FALSE(ReadFlag(store, info_key::kBackgroundUpdate)) << off;
    }
    store.values["NewSetup/BackgroundUpdate"] = "1";
    EXPECT_TRUE(ReadFlag(store, info_key::kBackgroundUpdate));
    EXPECT_TRUE(ReadFlag(store, info_key::kBackgroundUpdate, kOverrideUnset));
    EXPECT_FALSE(ReadFlag(store, info_key::kBackgroundUpdate, 0));
    store.values["NewSetup/BackgroundUpdate"] = "0";
    EXPECT_TRUE(ReadFlag(store, info_key::kBackgroundUpdate, 1));
}

TEST(Descriptors, NamesAndReadableSeconds) {
    EXPECT_EQ(InfoFileName("Product.INFO"), "Product.INFO");
    EXPECT_EQ(OriginalFileName("Product.INFO"), "Product.original");
    // 2026-12-05 14:03:09 in the agent's time base.
    const long long seconds = (46361LL) * 86400 + 14 * 3600 + 3 * 60 + 9;
    EXPECT_EQ(ReadableSeconds(seconds), "14:03:09  05-DEC-2026");
}

}  // namespace
}  // namespace rv
