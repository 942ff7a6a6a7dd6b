// A small streaming JSON writer for the --json output of the commands.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace rv::builder {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    ~JsonWriter() { out_ << '\n'; }
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    JsonWriter& Key(const std::string& key);
    // Package texts are 8-bit code-page bytes, not UTF-8: each byte above
    // 0x7F is written as the code point of the same number.
    JsonWriter& String(const std::string& value);
    JsonWriter& Number(int64_t value);
    JsonWriter& Unsigned(uint64_t value);
    JsonWriter& Bool(bool value);

private:
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    void Separate();

    std::ostream& out_;
    std::vector<bool> hasItems_;  // one per open object or array
    bool afterKey_ = false;
};

}  // namespace rv::builder
