#include "builder/project.h"

#include "base/numbers.h"
#include "base/text.h"
#include "builder/cli_error.h"
#include "builder/code_page.h"
#include "builder/descriptor_fields.h"
#include "builder/table_reader.h"
#include "format/records.h"

namespace rv::builder {

namespace {

void Remember(const TableReader& t, const char* key, Project& p) {
    if (const int line = t.Line(key)) p.lines[t.Name(key)] = line;
}

// The update and internet blocks are "|"-delimited lists.
std::string BlockItem(const TableReader& t, const char* key) {
    const std::string value = t.String(key).value_or("");
    if (value.find('|') != std::string::npos)
        t.Fail(t.Node(key), "'" + t.Name(key) + "' cannot contain '|', the delimiter of its block");
    return value;
}

void WarnIfPlainHttp(const TableReader& t, const char* key, const std::string& value, Project& p) {
    const std::string warning = t.PlainHttpWarning(key, value);
    if (!warning.empty()) p.warnings.push_back(warning);
}

void ReadSetup(const TableReader& t, Project& p) {
    t.AllowOnly({"program", "parameters"});
    p.setupProgram = t.RequiredString("program");
    const std::string unsafe = UnsafeNameReason(p.setupProgram);
    if (!unsafe.empty())
        t.Fail(t.Node("program"), "'setup.program' must be a relative path inside the source folder, not '" +
                                      p.setupProgram + "' (" + unsafe + ")");
    p.setupParameters = t.String("parameters").value_or("");
    Remember(t, "program", p);
}

void ReadCompression(const TableReader& t, Project& p) {
    t.AllowOnly({"level", "store"});
    p.level = static_cast<int>(t.Integer("level", 1, 9).value_or(p.level));
    if (t.Bool("store").value_or(false)) p.level = 0;
}

void ReadPackage(const TableReader& t, Project& p) {
    t.AllowOnly({"record_length", "volume_size", "temp_drive_notice", "activity_bar", "debug_trace",
                 "spanned_over_disks", "write_agent", "is_agent"});
    p.recordLength = t.Bool("record_length").value_or(p.recordLength);
    p.volumeSize = static_cast<uint64_t>(t.Integer("volume_size", 0, 0xFFFFFFFFll).value_or(0));
    p.tempDriveNotice = t.Bool("temp_drive_notice").value_or(false);
    p.activityBar = t.Bool("activity_bar").value_or(false);
    p.debugTrace = t.Bool("debug_trace").value_or(false);
    p.spannedOverDisks = t.Bool("spanned_over_disks").value_or(false);
    p.writeAgent = t.Bool("write_agent").value_or(false);
    p.isAgent = t.Bool("is_agent").value_or(false);
    for (const char* key : {"volume_size", "is_agent"}) Remember(t, key, p);
    if (p.isAgent && p.writeAgent)
        t.Fail(t.Node("write_agent"), "'package.write_agent' is for a product's setup; an agent writes no agent");
}

void ReadUpdate(const TableReader& t, Project& p) {
    t.AllowOnly({"agent_settings", "descriptor", "program", "token", "background", "original"});
    UpdateSettings& u = p.update;
    u.agentSettings = BlockItem(t, "agent_settings");
    u.descriptorName = BlockItem(t, "descriptor");
    u.programName = BlockItem(t, "program");
    u.token = BlockItem(t, "token");
    u.background = t.Bool("background").value_or(false);
    WarnIfPlainHttp(t, "agent_settings", u.agentSettings, p);
    for (const char* key : {"program", "descriptor"}) Remember(t, key, p);
    if (auto o = t.Table("original")) {
        if (u.descriptorName.empty()) t.Fail(t.Node("original"), "'update.original' needs 'update.descriptor'");
        u.original = ReadDescriptorFields(*o, OriginalFields());
    }
}

// An agent is found by its file name, the update block's program item: a
// package that is or writes an agent without one would never run as one.
void CheckAgentName(const TableReader& t, const Project& p) {
    if (!p.update.programName.empty()) return;
    const struct {
        const char* key;
        bool on;
    } flags[] = {{"write_agent", p.writeAgent}, {"is_agent", p.isAgent}};
    for (const auto& f : flags)
        if (f.on)
            t.Fail(t.Table("package")->Node(f.key), std::string("'package.") + f.key + "' needs 'update.program'");
}

InternetSettings ReadInternet(const TableReader& t, Project& p) {
    t.AllowOnly({"base_url", "setup_file", "always_download", "token", "size", "confirm_download", "full_setup"});
    InternetSettings i;
    for (const char* key : {"base_url", "setup_file"})
        if (!t.Has(key)) t.Missing(key);
    i.baseUrl = BlockItem(t, "base_url");
    i.setupFileName = BlockItem(t, "setup_file");
    i.alwaysDownload = t.Bool("always_download").value_or(false);
    i.token = BlockItem(t, "token");
    WarnIfPlainHttp(t, "base_url", i.baseUrl, p);
    i.size = static_cast<uint64_t>(t.Integer("size", 0, INT64_MAX).value_or(0));
    i.confirmDownload = t.Bool("confirm_download").value_or(false);
    i.fullSetup = t.Bool("full_setup").value_or(false);
    return i;
}

int ReadCodePage(const TableReader& t) {
    const int codePage = static_cast<int>(t.Integer("codepage", 0, 65535).value_or(0));
    if (t.Has("codepage") && !IsSupportedCodePage(codePage))
        t.Fail(t.Node("codepage"), "'codepage' must be one of " + SupportedCodePages());
    return codePage;
}

// An agent is a stub with settings: it extracts nothing and runs no setup
// program, so files or a program given to it would be silently useless.
void CheckAgent(const TableReader& t, const Project& p) {
    if (!p.isAgent) return;
    if (auto s = t.Table("setup"))
        s->Fail(s->Node("program"), "'setup.program': an agent ('package.is_agent') runs no setup program");
}

}  // namespace

std::string Where(const Project& p, const std::string& key) {
    const auto it = p.lines.find(key);
    return p.file + (it == p.lines.end() ? "" : ":" + IntText(it->second)) + ": '" + key + "'";
}

Project LoadProject(const std::string& path) {
    const toml::table root = ParseTomlFile(path);
    const TableReader t(path, root, "");
    t.AllowOnly({"stub", "source", "output", "languages", "time_stamp", "codepage", "follow_links", "exclude", "setup",
                 "compression", "package", "update", "internet"});
    Project p;
    p.file = path;
    for (const char* key : {"stub", "source", "output", "languages", "codepage"}) Remember(t, key, p);
    p.codePage = ReadCodePage(t);
    p.followLinks = t.Bool("follow_links").value_or(false);
    p.exclude = t.StringArray("exclude");
    p.stubPath = FromProjectFolder(path, t.String("stub").value_or(""));
    p.output = FromProjectFolder(path, t.String("output").value_or(""));
    for (const std::string& lang : t.StringArray("languages")) p.languageFiles.push_back(FromProjectFolder(path, lang));
    p.timeStamp = t.LocalTimeStamp("time_stamp");
    if (auto s = t.Table("setup")) ReadSetup(*s, p);
    if (auto c = t.Table("compression")) ReadCompression(*c, p);
    if (auto k = t.Table("package")) ReadPackage(*k, p);
    if (auto u = t.Table("update")) ReadUpdate(*u, p);
    if (auto i = t.Table("internet")) p.internet = ReadInternet(*i, p);
    // An internet setup and an agent carry no files of their own, so they
    // need no folder.
    const bool downloadsOnly = p.internet && !p.internet->fullSetup;
    const bool noFiles = downloadsOnly || p.isAgent;
    p.sourceDir = FromProjectFolder(path, noFiles ? t.String("source").value_or("") : t.RequiredString("source"));
    CheckAgentName(t, p);
    if (noFiles && !p.update.original.empty())
        t.Fail(t.Table("update")->Node("original"),
               "'update.original' goes into the files that the product's setup installs, which neither an "
               "internet setup nor an agent extracts");
    CheckAgent(t, p);
    return p;
}

}  // namespace rv::builder
