#include "format/descriptors.h"

#include "base/clock.h"
#include "base/numbers.h"
#include "base/paths.h"

namespace rv {

IniKey AgentTextKey(int number) {
    static const struct {
        int number;
        const char* key;
        const char* fallback;
    } kTexts[] = {
        {2, "s2", ""},
        {3, "s3", "File Download Aborted!"},
        {4, "s4", "File not Found!"},
        {5, "s5", "Unable to Download File!"},
        {11, "s11", ""},
        {12, "s12", ""},
        {13, "s13", ""},
        {14, "s14", ""},
        {15, "s15", ""},
        {16, "s16", ""},
        {17, "s17", ""},
        {21, "s21", ""},
        {22, "s22", ""},
        {23, "s23", ""},
        {24, "s24", ""},
        {31, "s31", "Downloading INFO File..."},
        {32, "s32", "Downloading UPDATE File..."},
        {33, "s33", "Downloading INFORM File..."},
        {34, "s34", "New Version"},
        {35, "s35", "Download"},
    };
    for (const auto& t : kTexts)
        if (t.number == number) return IniKey{"AutoUpdate", t.key, t.fallback};
    return IniKey{"AutoUpdate", "", ""};
}

IniKey AgentTextKey(AgentString text) { return AgentTextKey(static_cast<int>(text)); }

std::string ReadText(DescriptorStore& store, const IniKey& key) {
    return store.Read(key.section, key.key, key.fallback);
}

long long ReadNumber(DescriptorStore& store, const IniKey& key) {
    return ToInt64(store.Read(key.section, key.key, ""), ToInt64(key.fallback, 0));
}

bool IsFlagOn(const std::string& text) { return text == "1"; }

bool ReadFlag(DescriptorStore& store, const IniKey& key) { return IsFlagOn(ReadText(store, key)); }

bool ReadFlag(DescriptorStore& store, const IniKey& key, uint8_t override) {
    return override == 255 ? ReadFlag(store, key) : override != 0;
}

bool WriteNumber(DescriptorStore& store, const IniKey& key, long long value) {
    return store.Write(key.section, key.key, IntText(value));
}

bool WriteSeconds(DescriptorStore& store, const IniKey& key, const IniKey& twin, long long seconds) {
    const bool ok = WriteNumber(store, key, seconds);
    return store.Write(twin.section, twin.key, ReadableSeconds(seconds)) && ok;
}

std::string ReadableSeconds(long long seconds) {
    const DateTime t = DateTimeFromSeconds(seconds);
    return ZeroPad(t.hour, 2) + ":" + ZeroPad(t.minute, 2) + ":" + ZeroPad(t.second, 2) + "  " + DateStamp(t);
}

std::string InfoFileName(const std::string& descriptorItem) { return FileNameOf(descriptorItem); }

std::string OriginalFileName(const std::string& descriptorItem) {
    return NameWithoutExtensions(descriptorItem) + ".original";
}

}  // namespace rv
