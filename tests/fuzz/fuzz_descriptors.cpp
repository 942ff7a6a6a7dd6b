// The update agent's descriptor reading: every key of the .original and
// .info files through a store whose values come from the input, the agent
// messages that read and write them, the transient overrides and the
// descriptor names. Input: numbers, then texts: the values the store
// answers, in the order it is asked.
#include <cstddef>
#include <cstdint>
#include <string>

#include "autoupdate/agent_state.h"
#include "format/descriptors.h"
#include "tests/fuzz/fuzz_input.h"

namespace rv::fuzz {
namespace {

// Answers the n-th read with text n of the input, the fallback once they run
// out; keeps what is written.
class InputStore final : public DescriptorStore {
public:
    InputStore(const FuzzInput& in, size_t first) : in_(in), next_(first) {}
    std::string Read(const char*, const char*, const std::string& fallback) override {
        if (next_ >= in_.TextCount()) return fallback;
        return in_.Text(next_++);
    }
    bool Write(const char*, const char*, const std::string&) override { return true; }

private:
    const FuzzInput& in_;
    size_t next_;
};

const IniKey kKeys[] = {
    original_key::kProbeSecondsInterval,
    original_key::kProbeSecondsLast,
    original_key::kReAskSecondsInterval,
    original_key::kReAskSecondsLast,
    original_key::kVersionOriginal,
    original_key::kStamp,
    original_key::kCharSet,
    original_key::kFontSize,
    info_key::kSizeOfUpdateFile,
    info_key::kVersionNew,
    info_key::kStamp,
    info_key::kSizeOfInformFile,
    info_key::kAutoInformWidth,
    info_key::kAutoInformHeight,
};

}  // namespace
}  // namespace rv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace rv;
    using namespace rv::fuzz;
    const FuzzInput in(data, size);
    InputStore values(in, 1);
    for (const IniKey& key : kKeys) {
        ReadableSeconds(ReadNumber(values, key));
        ReadFlag(values, key);
        ReadFlag(values, key, static_cast<uint8_t>(in.Number(0, 1)));
        ReadText(values, key);
    }
    InfoFileName(in.Text(0));
    OriginalFileName(in.Text(0));
    AgentTextKey(static_cast<int>(in.Number(1, 1)));

    AgentState state;
    ParseOverrides(in.Text(0), state.overrides);
    TransientOverrides again{};
    ParseOverrides(OverridesText(state.overrides), again);
    Require(again == state.overrides);
    SetStartDelay(state, in.Signed(8));
    InputStore original(in, 1), info(in, 1);
    for (int i = 0; i < 4; ++i) {
        HandleAgentMessage(state, original, info, static_cast<long long>(in.Number(2 + i, 1)), in.Signed(8) >> (8 * i));
        AdvanceTickCounters(state);
        TestModeReadDue(state, static_cast<uint32_t>(in.Number(4, 4)), i == 2);
    }
    return 0;
}
