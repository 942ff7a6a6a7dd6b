#include "base/switches.h"

#include "base/numbers.h"
#include "base/text.h"

namespace rv {

std::string CommandTailOf(const std::string& commandLine, const std::string& programPath) {
    const std::string upper = UpperCase(commandLine);
    for (const std::string& form : {"\"" + programPath + "\"", programPath}) {
        if (form.empty()) continue;
        const size_t at = upper.find(UpperCase(form));
        if (at != std::string::npos) {
            std::string tail = commandLine;
            tail.erase(at, form.size());
            return Trim(tail);
        }
    }
    return Trim(commandLine);
}

bool SwitchPresentIn(const std::string& tail, const std::string& name) { return PosText(name, tail) != 0; }

std::string SwitchValueIn(const std::string& tail, const std::string& name) {
    const size_t at = PosText(name, tail);
    if (at == 0) return std::string();
    const std::string rest = tail.substr(at - 1 + name.size());
    if (rest.empty()) return "TRUE";
    if (rest[0] == '"') {
        const size_t close = rest.find('"', 1);
        return Trim(rest.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    }
    std::string value = rest.substr(0, rest.find(' '));
    value = value.substr(0, value.find('/'));
    return Trim(value);
}

long long SwitchNumberIn(const std::string& tail, const std::string& name, long long fallback) {
    return ToInt64(SwitchValueIn(tail, name), fallback);
}

}  // namespace rv
