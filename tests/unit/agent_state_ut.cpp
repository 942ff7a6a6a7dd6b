#include <gtest/gtest.h>

#include "autoupdate/agent_state.h"
#include "tests/unit/memory_store.h"

namespace rv {
namespace {

using test::MemoryStore;

TEST(AgentMessages, ReadsAndWritesThroughTheDescriptors) {
    AgentState state;
    MemoryStore original, info;
    original.values["OriginalSetup/VersionOriginal"] = "6";
    original.values["OriginalSetup/ProbeSecondsLast"] = "8589934597";  // 2^33 + 5: only the low half answers
    info.values["NewSetup/VersionNew"] = "7";
    using namespace agent_msg;
    EXPECT_EQ(HandleAgentMessage(state, original, info, kVersionOriginal, 0), 6);
    EXPECT_EQ(HandleAgentMessage(state, original, info, kVersionNew, 0), 7);
    EXPECT_EQ(HandleAgentMessage(state, original, info, kProbeLast, 0), 5);
    EXPECT_EQ(HandleAgentMessage(state, original, info, kSetProbeInterval, -1), 0);
    EXPECT_EQ(original.values["OriginalSetup/ProbeSecondsInterval"], "-1");  // sign kept
    EXPECT_EQ(HandleAgentMessage(state, original, info, kProbeInterval, 0), -1);
    HandleAgentMessage(state, original, info, kSetReAskLast, 46361LL * 86400);
    EXPECT_EQ(original.values["OriginalSetup/ReAskSecondsLast"], "4005590400");
    EXPECT_EQ(original.values["OriginalSetup/__ReAskSecondsLast"], "00:00:00  05-DEC-2026");
    EXPECT_EQ(HandleAgentMessage(state, original, info, 99, 1), 0);
}

TEST(AgentMessages, SteerTheAgentState) {
    AgentState state;
    MemoryStore original, info;
    using namespace agent_msg;
    HandleAgentMessage(state, original, info, kSetTickBudget, 4);
    EXPECT_EQ(state.tickBudget, 4);
    HandleAgentMessage(state, original, info, 22, 1);
    EXPECT_EQ(state.overrides.confirmInstall, 1);
    EXPECT_EQ(OverridesText(state.overrides), "|255|255|1|255|255|255|");
    EXPECT_EQ(state.timerCount, -3);
    HandleAgentMessage(state, original, info, kUpdateCycleNow, 2);
    EXPECT_TRUE(state.forcedCycle);
    EXPECT_EQ(state.timerCount, 1);
    EXPECT_EQ(state.userCheck, UserCheck::Requested);
    state.phase = AgentPhase::Installing;
    EXPECT_EQ(HandleAgentMessage(state, original, info, kPhase, 0), 3);
    HandleAgentMessage(state, original, info, kJustDownloadInfo, 0);
    EXPECT_TRUE(state.justDownloadInfo);
}

TEST(AgentState, OverridesTextRoundTripAndBadItems) {
    TransientOverrides o;
    ParseOverrides("|1|0|x||300|1|", o);
    EXPECT_EQ(OverridesText(o), "|1|0|255|255|255|1|");
    EXPECT_EQ(o.askBeforeShot, 1);
    EXPECT_EQ(o.confirmDownload, 0);
    EXPECT_EQ(o.restartProcess, 1);
}

TEST(AgentState, TickCountersAndBudget) {
    AgentState s;
    s.tickBudget = 1;
    TickStart t = AdvanceTickCounters(s);  // -3 -> -2
    EXPECT_FALSE(t.quit);
    EXPECT_FALSE(t.shotsOpen);
    EXPECT_EQ(s.tickBudget, 0);
    t = AdvanceTickCounters(s);
    EXPECT_TRUE(t.quit);
    EXPECT_TRUE(AdvanceTickCounters(s).quit);  // spent stays spent, never unlimited
    AgentState user;
    user.userCheck = UserCheck::Requested;
    t = AdvanceTickCounters(user);
    EXPECT_EQ(user.userCheck, UserCheck::Running);
    EXPECT_EQ(user.timerCount, 1);  // reset to 0, then counted
    EXPECT_TRUE(t.shotsOpen);
    AgentState delayed;
    SetStartDelay(delayed, 10);
    EXPECT_EQ(delayed.timerCount, -10);
    const struct {
        long long seconds, timerCount;
    } extremes[] = {{INT64_MIN, 0x7FFFFFFF}, {INT64_MAX, -0x7FFFFFFF}, {-5, 5}};
    for (const auto& c : extremes) {
        AgentState far;
        SetStartDelay(far, c.seconds);
        EXPECT_EQ(far.timerCount, c.timerCount) << c.seconds;
        EXPECT_EQ(AdvanceTickCounters(far).shotsOpen, c.seconds < 0);
    }
    EXPECT_TRUE(TestModeReadDue(delayed, 40000, false));
    delayed.lastTestModeRead = 20000;
    EXPECT_FALSE(TestModeReadDue(delayed, 40000, false));
    EXPECT_TRUE(TestModeReadDue(delayed, 40000, true));
}

}  // namespace
}  // namespace rv
