// What the update agent takes from a publisher's server: the running
// program's path template of the .info file through the variable
// expansion, the inform file (decoded and split), and the check's
// decisions over the descriptor values. Input: numbers, then texts: the
// template, the folders and names the system would give, the inform file,
// the valid-versions list.
#include <cstddef>
#include <cstdint>
#include <string>

#include "autoupdate/update_cycle.h"
#include "base/clock.h"
#include "base/paths.h"
#include "base/scrambler.h"
#include "env/variables.h"
#include "tests/fuzz/fuzz_input.h"

namespace rv::fuzz {
namespace {

// The system's answers, taken from the input's texts.
class InputSource final : public VariableSource {
public:
    explicit InputSource(const FuzzInput& in) : in_(in) {}
    std::string LoggedUserName() override { return in_.Text(5); }
    std::string RegisteredOwner() override { return in_.Text(5); }
    std::string RegisteredOrganization() override { return in_.Text(6); }
    std::string ComputerName() override { return in_.Text(6); }
    std::string DomainName() override { return in_.Text(6); }
    std::string EnteredValue(const std::string&) override { return in_.Text(7); }
    DateTime Now() override { return DateTimeFromSeconds(static_cast<int64_t>(in_.Number(8, 5))); }
    DateNames LocaleDateNames() override {
        DateNames names;
        names.dateSeparator = in_.Text(7);
        return names;
    }
    std::string Folder(SystemFolder folder) override { return in_.Text(4 + static_cast<size_t>(folder) % 3); }
    std::string RunTimeFolder(int n) override { return in_.Text(static_cast<size_t>(n) % 8); }
    std::string FullPath(const std::string& path) override { return "C:\\" + path; }
    LeadBytePredicate LeadBytes() override {
        return [](unsigned char c) { return c >= 0x81 && c <= 0x9F; };
    }

private:
    const FuzzInput& in_;
};

void ExpandTemplate(const FuzzInput& in) {
    InputSource source(in);
    VariableSlots slots;
    slots.installDir = in.Text(1);
    slots.commonDir = in.Text(2);
    slots.auxDir = in.Text(3);
    slots.userTable = in.Text(2);
    slots.serviceDirList = in.Text(3);
    const uint64_t flags = in.Number(0, 1);
    ExpandOptions options;
    options.separator = (flags & 8) ? "" : "\\";
    options.normalizeDots = flags & 1;
    options.useUserTable = flags & 2;
    options.expandFolders = flags & 4;
    ExpandVariablesWith(in.Text(0), options, slots, source);
}

void ReadInformFile(const FuzzInput& in) {
    SplitInformFile(Scramble(in.Text(8), false));
    SplitInformFile(in.Text(8));
}

void Decide(const FuzzInput& in) {
    CheckFacts facts;
    facts.infoDownloaded = in.Number(1, 1) & 1;
    facts.versionOriginal = static_cast<int32_t>(in.Number(2, 4));
    facts.versionNew = static_cast<int32_t>(in.Number(6, 4));
    facts.stampNew = static_cast<int32_t>(in.Number(10, 2));
    facts.validVersions = in.Text(9);
    const CheckCode code = CheckCodeBeforeSize(facts);
    Require(code != CheckCode::Ok);
    Require(!CheckResultText(code).empty());
    AgentState state;
    state.forcedCycle = in.Number(1, 1) & 2;
    ShotTimeStatus(state, in.Signed(8), in.Signed(0), in.Signed(4));
    ReAskDue(in.Signed(0), in.Signed(8), in.Signed(4));
    SizeTestPasses(in.Signed(0), in.Signed(8));
    ShutDownMethodOf(in.Text(9));
    ShotConfirmationText(in.Text(1), in.Text(2), in.Text(3), in.Text(4), true, in.Text(5));
    DownloadFailureNotice({in.Text(1), in.Text(4), false, true}, "a", "b", "c");
}

}  // namespace
}  // namespace rv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const rv::fuzz::FuzzInput in(data, size);
    rv::fuzz::ExpandTemplate(in);
    rv::fuzz::ReadInformFile(in);
    rv::fuzz::Decide(in);
    return 0;
}
