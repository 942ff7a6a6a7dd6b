// A descriptor file in memory, for the tests of the descriptors and the
// agent: values kept under "section/key".
#pragma once

#include <map>
#include <string>

#include "format/descriptors.h"

namespace rv::test {

class MemoryStore final : public DescriptorStore {
public:
    std::map<std::string, std::string> values;
    std::string Read(const char* section, const char* key, const std::string& fallback) override {
        const auto it = values.find(std::string(section) + "/" + key);
        return it == values.end() ? fallback : it->second;
    }
    bool Write(const char* section, const char* key, const std::string& value) override {
        values[std::string(section) + "/" + key] = value;
        return true;
    }
    void Set(const IniKey& key, const std::string& value) { Write(key.section, key.key, value); }
    std::string Get(const IniKey& key) { return ReadText(*this, key); }
};

}  // namespace rv::test
