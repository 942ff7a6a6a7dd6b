// Descriptor files through the system's INI calls.
#pragma once

#include <string>
#include <utility>

#include "format/descriptors.h"

namespace rv {

class IniDescriptorStore final : public DescriptorStore {
public:
    explicit IniDescriptorStore(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }
    std::string Read(const char* section, const char* key, const std::string& fallback) override;
    bool Write(const char* section, const char* key, const std::string& value) override;

private:
    std::string path_;
};

// The agent's two descriptors, in the agent's own folder, named after the
// update block of its package.
struct AgentDescriptors {
    IniDescriptorStore original;
    IniDescriptorStore info;
};
AgentDescriptors AgentDescriptorsFor(const std::string& agentFolder, const std::string& descriptorItem);

}  // namespace rv
