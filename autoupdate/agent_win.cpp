#include "autoupdate/agent_win.h"

#include "base/paths.h"
#include "base/registry_win.h"
#include "env/descriptor_files_win.h"
#include "env/trace_win.h"

namespace rv {

namespace {
constexpr const char* kAgentKey = "HKEY_CURRENT_USER\\Software\\Corvande\\Ravlin\\AutoUpdate";

AgentDescriptors DescriptorsOf(const RunContext& ctx) {
    return AgentDescriptorsFor(FolderOf(ctx.ownPath), ctx.package.UpdateItem(1));
}
}  // namespace

int32_t AgentMessage(const RunContext& ctx, AgentState& agent, long long code, long long argument) {
    AgentDescriptors files = DescriptorsOf(ctx);
    return HandleAgentMessage(agent, files.original, files.info, code, argument);
}

bool CheckTestMode(AgentState& agent, bool force) {
    const uint32_t now = GetTickCount();
    if (TestModeReadDue(agent, now, force)) {
        agent.testMode = ReadRegistryValue(kAgentKey, "TestMode", "0") == "1";
        agent.testUrl = ReadRegistryValue(kAgentKey, "TestModeURL", "");
    }
    agent.lastTestModeRead = now;
    return agent.testMode;
}

}  // namespace rv
