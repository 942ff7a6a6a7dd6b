#include "env/descriptor_files_win.h"

#include "base/ini_win.h"
#include "base/paths.h"
#include "base/paths_win.h"

namespace rv {

std::string IniDescriptorStore::Read(const char* section, const char* key, const std::string& fallback) {
    return IniRead(path_, section, key, fallback);
}

bool IniDescriptorStore::Write(const char* section, const char* key, const std::string& value) {
    return IniWrite(path_, section, key, value);
}

AgentDescriptors AgentDescriptorsFor(const std::string& agentFolder, const std::string& descriptorItem) {
    const std::string folder = WithBackslash(agentFolder, true);
    return AgentDescriptors{IniDescriptorStore(folder + OriginalFileName(descriptorItem)),
                            IniDescriptorStore(folder + InfoFileName(descriptorItem))};
}

}  // namespace rv
