#include "base/ini_win.h"

#include "base/numbers.h"

namespace rv {

namespace {

constexpr DWORD kValueBufferSize = 10241;

}  // namespace

std::string IniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& fallback) {
    std::string buffer(kValueBufferSize, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), &buffer[0],
                                             kValueBufferSize, file.c_str());
    buffer.resize(n);
    return buffer;
}

long long IniReadNumber(const std::string& file, const std::string& section, const std::string& key,
                        long long fallback) {
    return ToInt64(IniRead(file, section, key, ""), fallback);
}

bool IniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

bool IniWriteNumber(const std::string& file, const std::string& section, const std::string& key, long long value) {
    return IniWrite(file, section, key, IntText(value));
}

}  // namespace rv
