// The update agent's state, and the agent messages other processes use to
// read and steer it.
#pragma once

#include <cstdint>
#include <string>

#include "format/descriptors.h"

namespace rv {

enum class AgentPhase { Idle = 0, InfoDownload = 1, UpdateDownload = 2, Installing = 3 };

// Transient overrides of the .info file's flags, set on the command line
// and by agent messages, and carried over when the agent restarts itself.
// kOverrideUnset lets the .info file decide; 0 and 1 force a value.
constexpr uint8_t kOverrideUnset = 255;
struct TransientOverrides {
    uint8_t askBeforeShot = kOverrideUnset;  // only 1 counts: ask before each check
    uint8_t confirmDownload = kOverrideUnset;
    uint8_t confirmInstall = kOverrideUnset;
    uint8_t backgroundUpdate = kOverrideUnset;
    uint8_t informFinish = kOverrideUnset;
    uint8_t restartProcess = kOverrideUnset;

    // The order of the command line's list, of OverridesText and of the
    // agent messages kSetOverrideFirst..kSetOverrideLast.
    static constexpr size_t kCount = 6;
    uint8_t& At(size_t index);
    uint8_t At(size_t index) const;
    bool operator==(const TransientOverrides& other) const;
};

// A check the user asked for: requested by an agent message, it becomes
// the running check on the next tick, which ends it.
enum class UserCheck { None, Requested, Running };

struct AgentState {
    bool testMode = false;
    std::string testUrl;
    uint32_t lastTestModeRead = 0;
    bool periodicProbing = true;
    bool forcedCycle = false;
    UserCheck userCheck = UserCheck::None;
    long long tickBudget = -1;  // ticks before the agent quits; negative: unlimited
    long long timerCount = -3;  // shots only from the tick it reaches 1
    bool justDownloadInfo = false;
    bool inTick = false;
    AgentPhase phase = AgentPhase::Idle;
    TransientOverrides overrides;
};

// "|255|255|1|0|255|255|": every value after a "|", and a closing "|".
std::string OverridesText(const TransientOverrides& overrides);
// Items that are not integers leave their value as it was.
void ParseOverrides(const std::string& text, TransientOverrides& overrides);

// The start delay of "/SleepX=": the tick counter starts that far below 0.
void SetStartDelay(AgentState& state, long long seconds);

// Agent message codes (wParam of the agent message).
namespace agent_msg {
constexpr int kVersionOriginal = 4;
constexpr int kVersionNew = 5;
constexpr int kPhase = 7;
constexpr int kProbeInterval = 8;
constexpr int kReAskInterval = 9;
constexpr int kProbeLast = 10;
constexpr int kReAskLast = 11;
constexpr int kSetProbeInterval = 12;
constexpr int kSetReAskInterval = 13;
constexpr int kSetProbeLast = 14;
constexpr int kSetReAskLast = 15;
constexpr int kSetOverrideFirst = 20;  // askBeforeShot, then the others in their order
constexpr int kSetOverrideLast = 25;
constexpr int kSetTickBudget = 30;
constexpr int kUpdateCycleNow = 31;  // with kForUser as argument: a check the user asked for
constexpr long long kForUser = 2;
constexpr int kJustDownloadInfo = 32;
}  // namespace agent_msg

// Carries out one agent message; reads answer the low 32 bits of their
// value, everything else answers 0.
int32_t HandleAgentMessage(AgentState& state, DescriptorStore& original, DescriptorStore& info, long long code,
                           long long argument);

// The counters every agent tick advances first: the user's request, the
// tick budget and the tick counter.
struct TickStart {
    bool quit = false;       // the budget ran out: the agent ends after this tick
    bool shotsOpen = false;  // the counter reached 1: shots may be considered
};
TickStart AdvanceTickCounters(AgentState& state);

// The registry is read again only when forced or 30 s after the last read.
bool TestModeReadDue(const AgentState& state, uint32_t now, bool force);

}  // namespace rv
