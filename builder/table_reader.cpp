#include "builder/table_reader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/clock.h"
#include "base/numbers.h"
#include "base/text.h"
#include "builder/cli_error.h"
#include "builder/suggest.h"

namespace rv::builder {

namespace fs = std::filesystem;

void TableReader::AllowOnly(const std::vector<std::string>& keys) const {
    for (const auto& [key, node] : table_)
        if (std::find(keys.begin(), keys.end(), key.str()) == keys.end())
            Fail(node, "unknown key '" + Name(std::string(key.str())) + "'" + DidYouMean(std::string(key.str()), keys));
}

std::optional<int64_t> TableReader::Integer(const char* key, int64_t low, int64_t high) const {
    const std::optional<int64_t> v = Get<int64_t>(key, "an integer");
    if (v && (*v < low || *v > high))
        Fail(Node(key), "'" + Name(key) + "' must be from " + IntText(low) + " to " + IntText(high));
    return v;
}

std::string TableReader::RequiredString(const char* key) const {
    const std::optional<std::string> v = String(key);
    if (!v) Missing(key);
    return *v;
}

int64_t TableReader::RequiredInteger(const char* key, int64_t low, int64_t high) const {
    const std::optional<int64_t> v = Integer(key, low, high);
    if (!v) Missing(key);
    return *v;
}

std::optional<TableReader> TableReader::Table(const char* key) const {
    const toml::node* node = table_.get(key);
    if (!node) return std::nullopt;
    if (!node->is_table()) Fail(*node, "'" + Name(key) + "' must be a table");
    return TableReader(file_, *node->as_table(), Name(key));
}

std::vector<std::string> TableReader::StringArray(const char* key) const {
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

std::vector<int64_t> TableReader::IntegerArray(const char* key, int64_t low, int64_t high) const {
    std::vector<int64_t> out;
    const toml::node* node = table_.get(key);
    if (!node) return out;
    const std::string wrong =
        "'" + Name(key) + "' must be an array of integers from " + IntText(low) + " to " + IntText(high);
    if (!node->is_array()) Fail(*node, wrong);
    for (const toml::node& item : *node->as_array()) {
        const std::optional<int64_t> v = item.value_exact<int64_t>();
        if (!v || *v < low || *v > high) Fail(item, wrong);
        out.push_back(*v);
    }
    return out;
}

std::optional<int64_t> TableReader::LocalTimeStamp(const char* key) const {
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

std::string TableReader::PlainHttpWarning(const char* key, const std::string& value) const {
    if (!StartsWith("http://", value, true)) return "";
    const std::string host = value.substr(7);
    for (const char* loopback : {"127.", "localhost", "[::1]"})
        if (StartsWith(loopback, host, true)) return "";
    return file_ + ":" + IntText(Line(key)) + ": '" + Name(key) +
           "' is a plain http:// address: anyone on the way can change what is fetched; prefer https://";
}

void TableReader::Fail(const toml::node& node, const std::string& what) const {
    throw CliError(kExitInput, file_ + ":" + IntText(node.source().begin.line) + ": " + what);
}

void TableReader::Missing(const char* key) const {
    throw CliError(kExitInput, file_ + ": missing key '" + Name(key) + "'");
}

toml::table ParseTomlFile(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw CliError(kExitInput, path + ": cannot open the project file");
    try {
        return toml::parse_file(path);
    } catch (const toml::parse_error& e) {
        const std::string where = e.source().begin.line ? ":" + IntText(e.source().begin.line) : "";
        throw CliError(kExitInput, path + where + ": " + std::string(e.description()));
    }
}

std::string FromProjectFolder(const std::string& projectPath, const std::string& path) {
    if (path.empty() || fs::path(path).is_absolute()) return path;
    return (fs::path(projectPath).parent_path() / path).lexically_normal().string();
}

}  // namespace rv::builder
