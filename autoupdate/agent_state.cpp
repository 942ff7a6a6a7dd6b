#include "autoupdate/agent_state.h"

#include "base/numbers.h"
#include "base/text.h"

namespace rv {

namespace {
using OverrideField = uint8_t TransientOverrides::*;
constexpr OverrideField kOverrideOrder[TransientOverrides::kCount] = {
    &TransientOverrides::askBeforeShot,    &TransientOverrides::confirmDownload, &TransientOverrides::confirmInstall,
    &TransientOverrides::backgroundUpdate, &TransientOverrides::informFinish,    &TransientOverrides::restartProcess,
};
}  // namespace

uint8_t& TransientOverrides::At(size_t index) { return this->*kOverrideOrder[index]; }
uint8_t TransientOverrides::At(size_t index) const { return this->*kOverrideOrder[index]; }

bool TransientOverrides::operator==(const TransientOverrides& other) const {
    for (size_t i = 0; i < kCount; ++i)
        if (At(i) != other.At(i)) return false;
    return true;
}

std::string OverridesText(const TransientOverrides& overrides) {
    std::string text = "|";
    for (size_t i = 0; i < TransientOverrides::kCount; ++i) text += IntText(overrides.At(i)) + "|";
    return text;
}

void ParseOverrides(const std::string& text, TransientOverrides& overrides) {
    for (size_t i = 0; i < TransientOverrides::kCount; ++i) {
        const long long value = ToInt64(ListField(text, static_cast<int>(i)), -1);
        if (value >= 0 && value <= 255) overrides.At(i) = static_cast<uint8_t>(value);
    }
}

// The delay comes from the command line as any 64-bit number. Beyond 68
// years every delay means the same, and the cap keeps the negation and the
// tick counter's increments from overflowing.
void SetStartDelay(AgentState& state, long long seconds) {
    constexpr long long kLongestDelay = 0x7FFFFFFF;
    state.timerCount = -EnsureRange(seconds, -kLongestDelay, kLongestDelay);
}

namespace {
int32_t Low32(long long value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }
}  // namespace

int32_t HandleAgentMessage(AgentState& state, DescriptorStore& original, DescriptorStore& info, long long code,
                           long long argument) {
    namespace o = original_key;
    using namespace agent_msg;
    switch (code) {
        case kVersionOriginal: return Low32(ReadNumber(original, o::kVersionOriginal));
        case kVersionNew: return Low32(ReadNumber(info, info_key::kVersionNew));
        case kPhase: return static_cast<int32_t>(state.phase);
        case kProbeInterval: return Low32(ReadNumber(original, o::kProbeSecondsInterval));
        case kReAskInterval: return Low32(ReadNumber(original, o::kReAskSecondsInterval));
        case kProbeLast: return Low32(ReadNumber(original, o::kProbeSecondsLast));
        case kReAskLast: return Low32(ReadNumber(original, o::kReAskSecondsLast));
        case kSetProbeInterval: WriteNumber(original, o::kProbeSecondsInterval, argument); return 0;
        case kSetReAskInterval: WriteNumber(original, o::kReAskSecondsInterval, argument); return 0;
        case kSetProbeLast: WriteSeconds(original, o::kProbeSecondsLast, o::kProbeSecondsLastText, argument); return 0;
        case kSetReAskLast: WriteSeconds(original, o::kReAskSecondsLast, o::kReAskSecondsLastText, argument); return 0;
        case kSetTickBudget: state.tickBudget = argument; return 0;
        case kUpdateCycleNow:
            state.forcedCycle = true;
            if (state.timerCount < 1) state.timerCount = 1;
            if (argument == kForUser) state.userCheck = UserCheck::Requested;
            return 0;
        case kJustDownloadInfo: state.justDownloadInfo = true; return 0;
        default: break;
    }
    if (code >= kSetOverrideFirst && code <= kSetOverrideLast)
        state.overrides.At(static_cast<size_t>(code - kSetOverrideFirst)) = static_cast<uint8_t>(argument);
    return 0;
}

TickStart AdvanceTickCounters(AgentState& state) {
    TickStart start;
    if (state.userCheck == UserCheck::Requested) state.userCheck = UserCheck::Running;
    if (state.userCheck == UserCheck::Running) state.timerCount = 0;
    if (state.tickBudget == 0) start.quit = true;
    // A spent budget stays spent, so that every later tick ends the agent
    // too; counting on would reach -1, which means unlimited.
    if (state.tickBudget > 0) --state.tickBudget;
    ++state.timerCount;
    start.shotsOpen = state.timerCount > 0;
    return start;
}

bool TestModeReadDue(const AgentState& state, uint32_t now, bool force) {
    return force || now - state.lastTestModeRead > 30000;
}

}  // namespace rv
