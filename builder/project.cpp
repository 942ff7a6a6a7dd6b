#include "builder/project.h"

#include <toml++/toml.h>

#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "builder/cli_error.h"
#include "format/records.h"
#include "ui/text.h"

namespace rv::builder {

namespace {

namespace fs = std::filesystem;

// Reads one table of the project, naming the file, the line and the full key
// in every complaint.
class TableReader {
public:
    TableReader(const std::string& file, const toml::table& table, std::string prefix)
        : file_(file), table_(table), prefix_(std::move(prefix)) {}

    // Unknown keys are refused so that a misspelt key is not silently ignored.
    void AllowOnly(std::initializer_list<const char*> keys) const {
        for (const auto& [key, node] : table_) {
            bool known = false;
            for (const char* k : keys) known = known || key.str() == k;
            if (!known) Fail(node, "unknown key '" + Name(std::string(key.str())) + "'");
        }
    }

    std::optional<std::string> String(const char* key) const { return Get<std::string>(key, "a string"); }
    std::optional<bool> Bool(const char* key) const { return Get<bool>(key, "true or false"); }

    std::optional<int64_t> Integer(const char* key, int64_t low, int64_t high) const {
        const std::optional<int64_t> v = Get<int64_t>(key, "an integer");
        if (v && (*v < low || *v > high))
            Fail(*table_.get(key), "'" + Name(key) + "' must be from " + IntText(low) + " to " + IntText(high));
        return v;
    }

    std::string RequiredString(const char* key) const {
        const std::optional<std::string> v = String(key);
        if (!v) throw CliError(kExitInput, file_ + ": missing key '" + Name(key) + "'");
        return *v;
    }

    std::optional<TableReader> Table(const char* key) const {
        const toml::node* node = table_.get(key);
        if (!node) return std::nullopt;
        if (!node->is_table()) Fail(*node, "'" + Name(key) + "' must be a table");
        return TableReader(file_, *node->as_table(), Name(key));
    }

    std::vector<std::string> StringArray(const char* key) const {
        std::vector<std::string> out;
        const toml::node* node = table_.get(key);
        if (!node) return out;
        const std::string wrong = "'" + Name(key) + "' must be an array of strings";
        if (!node->is_array()) Fail(*node, wrong);
        for (const toml::node& item : *node->as_array()) {
            if (!item.is_string()) Fail(item, wrong);
            out.push_back(item.as_string()->get());
        }
        return out;
    }

    std::optional<int64_t> LocalTimeStamp(const char* key) const {
        const toml::node* node = table_.get(key);
        if (!node) return std::nullopt;
        if (!node->is_date_time() || node->as_date_time()->get().offset)
            Fail(*node, "'" + Name(key) + "' must be a local date-time such as 2024-06-01T12:00:00");
        const toml::date_time dt = node->as_date_time()->get();
        DateTime t;
        t.year = dt.date.year;
        t.month = dt.date.month;
        t.day = dt.date.day;
        t.hour = dt.time.hour;
        t.minute = dt.time.minute;
        t.second = dt.time.second;
        return SecondsSince1899(t);
    }

    const toml::node& Node(const char* key) const { return *table_.get(key); }

    [[noreturn]] void Fail(const toml::node& node, const std::string& what) const {
        throw CliError(kExitInput, file_ + ":" + IntText(node.source().begin.line) + ": " + what);
    }

private:
    std::string Name(const std::string& key) const { return prefix_.empty() ? key : prefix_ + "." + key; }

    template <typename T>
    std::optional<T> Get(const char* key, const char* kind) const {
        const toml::node* node = table_.get(key);
        if (!node) return std::nullopt;
        const std::optional<T> v = node->value_exact<T>();
        if (!v) Fail(*node, "'" + Name(key) + "' must be " + kind);
        return v;
    }

    const std::string& file_;
    const toml::table& table_;
    std::string prefix_;
};

// Relative paths in a project are taken from the project file's folder, so
// that a build works from any current folder.
std::string FromProjectFolder(const std::string& projectPath, const std::string& path) {
    if (path.empty() || fs::path(path).is_absolute()) return path;
    return (fs::path(projectPath).parent_path() / path).lexically_normal().string();
}

void ReadSetup(const TableReader& t, Project& p) {
    t.AllowOnly({"program", "parameters"});
    p.setupProgram = t.RequiredString("program");
    if (!IsSafeRelativeName(p.setupProgram))
        t.Fail(t.Node("program"), "'setup.program' must be a relative path inside the source folder, not '" +
                                      p.setupProgram + "'");
    p.setupParameters = t.String("parameters").value_or("");
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
}

void ReadUpdate(const TableReader& t, UpdateSettings& u) {
    t.AllowOnly({"agent_settings", "descriptor", "program", "token", "background"});
    u.agentSettings = t.String("agent_settings").value_or("");
    u.descriptorName = t.String("descriptor").value_or("");
    u.programName = t.String("program").value_or("");
    u.token = t.String("token").value_or("");
    u.background = t.Bool("background").value_or(false);
}

InternetSettings ReadInternet(const TableReader& t) {
    t.AllowOnly({"base_url", "setup_file", "always_download", "token", "size", "confirm_download", "full_setup"});
    InternetSettings i;
    i.baseUrl = t.RequiredString("base_url");
    i.setupFileName = t.RequiredString("setup_file");
    i.alwaysDownload = t.Bool("always_download").value_or(false);
    i.token = t.String("token").value_or("");
    i.size = static_cast<uint64_t>(t.Integer("size", 0, INT64_MAX).value_or(0));
    i.confirmDownload = t.Bool("confirm_download").value_or(false);
    i.fullSetup = t.Bool("full_setup").value_or(false);
    return i;
}

toml::table ParseFile(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw CliError(kExitInput, path + ": cannot open the project file");
    try {
        return toml::parse_file(path);
    } catch (const toml::parse_error& e) {
        const std::string where = e.source().begin.line ? ":" + IntText(e.source().begin.line) : "";
        throw CliError(kExitInput, path + where + ": " + std::string(e.description()));
    }
}

}  // namespace

Project LoadProject(const std::string& path) {
    const toml::table root = ParseFile(path);
    const TableReader t(path, root, "");
    t.AllowOnly({"stub", "source", "output", "languages", "time_stamp", "setup", "compression", "package",
                 "update", "internet"});
    Project p;
    p.stubPath = FromProjectFolder(path, t.String("stub").value_or(""));
    p.output = FromProjectFolder(path, t.String("output").value_or(""));
    for (const std::string& lang : t.StringArray("languages")) p.languageFiles.push_back(FromProjectFolder(path, lang));
    p.timeStamp = t.LocalTimeStamp("time_stamp");
    if (auto s = t.Table("setup")) ReadSetup(*s, p);
    if (auto c = t.Table("compression")) ReadCompression(*c, p);
    if (auto k = t.Table("package")) ReadPackage(*k, p);
    if (auto u = t.Table("update")) ReadUpdate(*u, p.update);
    if (auto i = t.Table("internet")) p.internet = ReadInternet(*i);
    // An internet setup carries no files of its own, so it needs no folder.
    const bool downloadsOnly = p.internet && !p.internet->fullSetup;
    p.sourceDir =
        FromProjectFolder(path, downloadsOnly ? t.String("source").value_or("") : t.RequiredString("source"));
    return p;
}

}  // namespace rv::builder
