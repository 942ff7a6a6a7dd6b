#include "builder/json.h"

namespace rv::builder {

void JsonWriter::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasItems_.empty()) {
        if (hasItems_.back()) out_ << ',';
        hasItems_.back() = true;
    }
}

JsonWriter& JsonWriter::Open(char bracket) {
    Separate();
    out_ << bracket;
    hasItems_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    hasItems_.pop_back();
    out_ << bracket;
    return *this;
}

JsonWriter& JsonWriter::Key(const std::string& key) {
    String(key);
    out_ << ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& value) {
    Separate();
    static const char kHex[] = "0123456789abcdef";
    out_ << '"';
    for (unsigned char c : value) {
        if (c == '"' || c == '\\') {
            out_ << '\\' << c;
        } else if (c < 0x20 || c >= 0x7F) {
            out_ << "\\u00" << kHex[c >> 4] << kHex[c & 15];
        } else {
            out_ << c;
        }
    }
    out_ << '"';
    return *this;
}

JsonWriter& JsonWriter::Number(int64_t value) {
    Separate();
    out_ << value;
    return *this;
}

JsonWriter& JsonWriter::Unsigned(uint64_t value) {
    Separate();
    out_ << value;
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    Separate();
    out_ << (value ? "true" : "false");
    return *this;
}

}  // namespace rv::builder
