// Reading the builder's TOML files: one table at a time, every complaint
// naming the file, the line and the full key.
#pragma once

#include <toml++/toml.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rv::builder {

class TableReader {
public:
    TableReader(const std::string& file, const toml::table& table, std::string prefix)
        : file_(file), table_(table), prefix_(std::move(prefix)) {}

    // Unknown keys are refused so that a misspelt key is not silently ignored.
    void AllowOnly(const std::vector<std::string>& keys) const;

    std::optional<std::string> String(const char* key) const { return Get<std::string>(key, "a string"); }
    std::optional<bool> Bool(const char* key) const { return Get<bool>(key, "true or false"); }
    std::optional<int64_t> Integer(const char* key, int64_t low, int64_t high) const;
    std::string RequiredString(const char* key) const;
    int64_t RequiredInteger(const char* key, int64_t low, int64_t high) const;
    std::optional<TableReader> Table(const char* key) const;
    std::vector<std::string> StringArray(const char* key) const;
    std::vector<int64_t> IntegerArray(const char* key, int64_t low, int64_t high) const;
    // Seconds since 1899-12-30 of a local date-time value.
    std::optional<int64_t> LocalTimeStamp(const char* key) const;

    bool Has(const char* key) const { return table_.get(key) != nullptr; }
    // The line of the key's value; 0 when the table lacks it.
    int Line(const char* key) const {
        const toml::node* node = table_.get(key);
        return node ? static_cast<int>(node->source().begin.line) : 0;
    }
    const toml::node& Node(const char* key) const { return *table_.get(key); }
    const std::string& file() const { return file_; }
    std::string Name(const std::string& key) const { return prefix_.empty() ? key : prefix_ + "." + key; }

    // "file:line: 'key' is a plain http:// address ..." for a location
    // fetched over plain HTTP from another machine (anyone on the way can
    // change what arrives); "" for any other value, loopback included.
    std::string PlainHttpWarning(const char* key, const std::string& value) const;

    [[noreturn]] void Fail(const toml::node& node, const std::string& what) const;
    [[noreturn]] void Missing(const char* key) const;

private:
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

// Parses a TOML file; throws CliError(kExitInput) naming the file and line.
toml::table ParseTomlFile(const std::string& path);

// Relative paths in a project are taken from the project file's folder, so
// that a command works from any current folder.
std::string FromProjectFolder(const std::string& projectPath, const std::string& path);

}  // namespace rv::builder
