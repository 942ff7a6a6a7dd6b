#include "builder/report.h"

#include <iomanip>

#include "base/numbers.h"
#include "base/text.h"
#include "builder/code_page.h"
#include "builder/json.h"
#include "builder/time_stamp.h"
#include "format/language.h"
#include "format/package_format.h"
#include "format/scramble.h"

namespace rv::builder {

namespace {

std::string FileTimeText(uint32_t dos) {
    if (dos == 0) return "-";
    return ZeroPad((dos >> 25) + 1980, 4) + "-" + ZeroPad((dos >> 21) & 15, 2) + "-" + ZeroPad((dos >> 16) & 31, 2) +
           " " + ZeroPad((dos >> 11) & 31, 2) + ":" + ZeroPad((dos >> 5) & 63, 2) + ":" + ZeroPad((dos & 31) * 2, 2);
}

const char* ChecksumText(const VolumeInfo& v) {
    if (!v.checksumTested) return "not tested";
    return v.checksumPasses ? "pass" : "FAIL";
}

const char* ChecksumJson(const VolumeInfo& v) {
    if (!v.checksumTested) return "not tested";
    return v.checksumPasses ? "pass" : "fail";
}

// The stub's system shows stored names in its code page: that of the
// package's first language, as the builder stored them.
int CodePageOf(const PackageContents& c) {
    const int fromCharset = CodePageOfCharset(SectionCharset(ListField(c.languageBlock, 0)));
    return fromCharset ? fromCharset : kDefaultCodePage;
}

void JsonOk(JsonWriter& j, const PackageContents& c) {
    const std::string damage = Damage(c);
    j.Key("ok").Bool(damage.empty());
    if (!damage.empty()) j.Key("error").String(damage);
}

// The rule the checksum followed: sealed packages are summed at any size,
// older ones only up to the size limit.
const char* RuleKey(const VolumeInfo& v) { return v.rule == ChecksumRule::AnySize ? "any_size" : "size_limit"; }

std::string RuleText(const VolumeInfo& v) {
    if (v.rule == ChecksumRule::AnySize) return "sealed, any size";
    return "older package, tested up to " + IntText(static_cast<long long>(kChecksumSizeLimit)) + " bytes";
}

const char* LinkKey(const VolumeInfo& v) {
    switch (v.link) {
        case VolumeLink::Matches: return "matches";
        case VolumeLink::Differs: return "differs";
        case VolumeLink::NotNamed: break;
    }
    return "not_named";
}

uint64_t TotalSize(const PackageContents& c) {
    uint64_t total = 0;
    for (const FileEntry& f : c.files) total += f.size;
    return total;
}

struct FlagName {
    const char* key;
    bool (*get)(const Trailer&);
};

const FlagName kFlags[] = {
    {"temp_drive_notice", [](const Trailer& t) { return t.Flag(kFlagAlwaysShowTempNotice); }},
    {"continues", [](const Trailer& t) { return t.Flag(kFlagContinuesInNextVolume); }},
    {"spanned_over_disks", [](const Trailer& t) { return t.Flag(kFlagSpannedOverDisks); }},
    {"activity_bar", [](const Trailer& t) { return t.Flag(kFlagShowActivityBar); }},
    {"debug_trace", [](const Trailer& t) { return t.Flag(kFlagDebugTrace); }},
    {"internet_setup", [](const Trailer& t) { return t.internetSetup != 0; }},
    {"confirm_download", [](const Trailer& t) { return t.confirmDownload != 0; }},
    {"write_agent", [](const Trailer& t) { return t.writeAgent != 0; }},
    {"is_agent", [](const Trailer& t) { return t.isAgent != 0; }},
};

const char* const kUpdateItems[] = {"agent_settings", "descriptor", "program", "token", "background"};
const char* const kInternetItems[] = {"base_url", "setup_file", "always_download", "token", "size"};
constexpr int kTokenItem = 3;

// A block item as the builder wrote it; tokens are shown in plain text, as
// the package's author knows them anyway.
std::string ItemText(const std::string& block, int index) {
    const std::string item = ListField(block, index);
    if (index != kTokenItem || item.empty()) return item;
    const std::optional<std::string> plain = UnscrambleItem(item);
    return plain ? *plain : item;
}

void JsonVolumes(JsonWriter& j, const PackageContents& c) {
    j.Key("volumes").BeginArray();
    for (const VolumeInfo& v : c.volumes) {
        j.BeginObject().Key("path").String(v.path).Key("file_size").Unsigned(v.fileSize);
        j.Key("length").Unsigned(v.length).Key("recorded_length").Bool(v.hasRecordedLength);
        j.Key("checksum").String(ChecksumJson(v)).Key("checksum_rule").String(RuleKey(v));
        j.Key("digest").String(LinkKey(v)).EndObject();
    }
    j.EndArray();
}

void JsonFiles(JsonWriter& j, const PackageContents& c) {
    j.Key("files").BeginArray();
    for (const FileEntry& f : c.files) {
        j.BeginObject().Key("name").String(f.name).Key("size").Unsigned(f.size).Key("records").Unsigned(f.records);
        j.Key("file_time").Unsigned(f.fileTime).Key("time").String(FileTimeText(f.fileTime));
        j.Key("setup").Bool(f.isSetup);
        if (f.isSetup) j.Key("parameters").String(f.setupParameters);
        j.EndObject();
    }
    j.EndArray();
}

void JsonBlock(JsonWriter& j, const char* name, const std::string& block, const char* const (&items)[5]) {
    j.Key(name).BeginObject();
    for (int i = 0; i < 5; ++i) j.Key(items[i]).String(ItemText(block, i));
    j.EndObject();
}

void JsonLanguages(JsonWriter& j, const std::string& block) {
    j.Key("languages").BeginArray();
    for (int s = 0; s < ListCount(block); ++s) {
        const std::string section = ListField(block, s);
        j.BeginObject().Key("name").String(ListField(section, 0)).Key("texts").BeginObject();
        for (int i = 1; i < ListCount(section); ++i) {
            const std::string item = ListField(section, i);
            j.Key(TextBefore(item, "=")).String(TextAfter(item, "="));
        }
        j.EndObject().EndObject();
    }
    j.EndArray();
}

void JsonTrailer(JsonWriter& j, const Trailer& t) {
    j.Key("time_stamp").Number(t.timeStamp).Key("time").String(TimeStampText(t.timeStamp));
    j.Key("record_count").Unsigned(t.recordCount).Key("block_count").Unsigned(t.blockCount);
    j.Key("flags").BeginObject();
    for (const FlagName& f : kFlags) j.Key(f.key).Bool(f.get(t));
    j.EndObject().Key("required_space").BeginArray();
    for (uint32_t r : t.requiredSpace) j.Unsigned(r);
    j.EndArray();
}

void TextBlock(std::ostream& out, const char* name, const std::string& block, const char* const (&items)[5],
               int codePage) {
    out << name << ":\n";
    for (int i = 0; i < 5; ++i)
        out << "  " << std::left << std::setw(16) << items[i] << DisplayText(ItemText(block, i), codePage) << '\n';
}

void TextVolumes(std::ostream& out, const PackageContents& c) {
    for (const VolumeInfo& v : c.volumes)
        out << v.path << ": " << v.length << " bytes" << (v.hasRecordedLength ? " (recorded length)" : "")
            << ", checksum " << ChecksumText(v) << " (" << RuleText(v) << ")"
            << (v.link == VolumeLink::Matches ? ", digest named by the volume before" : "") << '\n';
}

}  // namespace

std::string Damage(const PackageContents& c) {
    for (const VolumeInfo& v : c.volumes)
        if (v.checksumTested && !v.checksumPasses)
            return v.path + ": the package checksum does not match (the file is damaged)";
    return "";
}

void PrintBuild(std::ostream& out, const BuildSummary& s, Format f) {
    if (f == Format::Json) {
        JsonWriter j(out);
        j.BeginObject().Key("ok").Bool(true).Key("volumes").BeginArray();
        for (const std::string& v : s.volumes) j.String(v);
        j.EndArray();
        if (!s.launcher.empty()) j.Key("launcher").String(s.launcher);
        j.Key("files").Unsigned(s.files).Key("records").Unsigned(s.records);
        j.Key("input_bytes").Unsigned(s.inputBytes).Key("output_bytes").Unsigned(s.outputBytes).EndObject();
        return;
    }
    out << (s.launcher.empty() ? s.volumes.front() : s.launcher) << ": " << s.files << " files in " << s.records
        << " records, " << s.inputBytes << " bytes into " << s.outputBytes << " bytes, " << s.volumes.size()
        << " volume(s)" << (s.launcher.empty() ? "" : " after the launcher") << '\n';
}

void PrintList(std::ostream& out, const PackageContents& c, Format f) {
    if (f == Format::Json) {
        JsonWriter j(out);
        j.BeginObject();
        JsonOk(j, c);
        JsonFiles(j, c);
        j.EndObject();
        return;
    }
    const int codePage = CodePageOf(c);
    for (const FileEntry& e : c.files) {
        out << std::right << std::setw(12) << e.size << "  " << FileTimeText(e.fileTime) << "  "
            << DisplayText(e.name, codePage);
        if (e.isSetup)
            out << "  [setup program"
                << (e.setupParameters.empty() ? "" : ": " + DisplayText(e.setupParameters, codePage)) << "]";
        out << '\n';
    }
    out << c.files.size() << " files, " << TotalSize(c) << " bytes\n";
}

void PrintVerify(std::ostream& out, const PackageContents& c, Format f) {
    if (f == Format::Json) {
        JsonWriter j(out);
        j.BeginObject().Key("ok").Bool(true);
        JsonVolumes(j, c);
        j.Key("file_count").Unsigned(c.files.size()).Key("total_size").Unsigned(TotalSize(c)).EndObject();
        return;
    }
    TextVolumes(out, c);
    out << "OK: " << c.volumes.size() << " volume(s), " << c.files.size() << " files, every record decodes\n";
}

void PrintExtract(std::ostream& out, const PackageContents& c, const std::string& folder, Format f) {
    if (f == Format::Json) {
        JsonWriter j(out);
        j.BeginObject().Key("ok").Bool(true).Key("folder").String(folder);
        JsonFiles(j, c);
        j.EndObject();
        return;
    }
    out << c.files.size() << " files, " << TotalSize(c) << " bytes extracted into " << folder << '\n';
}

void PrintInfo(std::ostream& out, const PackageContents& c, Format f) {
    const Trailer& t = c.volumes.front().trailer;
    if (f == Format::Json) {
        JsonWriter j(out);
        j.BeginObject();
        JsonOk(j, c);
        JsonVolumes(j, c);
        JsonTrailer(j, t);
        JsonLanguages(j, c.languageBlock);
        JsonBlock(j, "update", c.updateBlock, kUpdateItems);
        if (t.blockCount > 2) JsonBlock(j, "internet", c.internetBlock, kInternetItems);
        j.EndObject();
        return;
    }
    TextVolumes(out, c);
    out << "time stamp:       " << TimeStampText(t.timeStamp) << '\n';
    out << "progress steps:   " << t.recordCount << '\n';
    out << "flags:           ";
    for (const FlagName& flag : kFlags)
        if (flag.get(t)) out << ' ' << flag.key;
    out << "\nrequired space:  ";
    for (uint32_t r : t.requiredSpace) out << ' ' << r;
    out << "\nlanguages:       ";
    const int codePage = CodePageOf(c);
    for (int s = 0; s < ListCount(c.languageBlock); ++s)
        out << ' ' << DisplayText(ListField(ListField(c.languageBlock, s), 0), codePage);
    out << '\n';
    TextBlock(out, "update", c.updateBlock, kUpdateItems, codePage);
    if (t.blockCount > 2) TextBlock(out, "internet", c.internetBlock, kInternetItems, codePage);
}

void PrintPublish(std::ostream& out, const PublishSummary& s, Format f) {
    if (f == Format::Json) {
        JsonWriter j(out);
        j.BeginObject().Key("ok").Bool(true).Key("folder").String(s.folder).Key("info").String(s.infoPath);
        j.Key("stamp").Number(s.stamp).Key("setup").String(s.setupPath).Key("setup_size").Unsigned(s.setupSize);
        j.Key("inform").String(s.informPath).Key("inform_size").Unsigned(s.informSize).EndObject();
        return;
    }
    out << s.infoPath << ": Stamp " << s.stamp << '\n';
    if (!s.setupPath.empty()) out << s.setupPath << ": " << s.setupSize << " bytes\n";
    if (!s.informPath.empty()) out << s.informPath << ": " << s.informSize << " bytes\n";
}

void PrintError(std::ostream& out, const std::string& message) {
    JsonWriter j(out);
    j.BeginObject().Key("ok").Bool(false).Key("error").String(message).EndObject();
}

}  // namespace rv::builder
