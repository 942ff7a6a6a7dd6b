#include "base/text.h"

namespace rv {

namespace {

const char kDelimiterCandidates[] = {'|', '^', '!', '~', '@', '#', '$', '&', '*', '\xFF'};

size_t FindFrom(const std::string& sub, const std::string& text, size_t start) {
    if (sub.empty() || start > text.size()) return 0;
    const size_t at = text.find(sub, start);
    return at == std::string::npos ? 0 : at + 1;
}

}  // namespace

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string s) {
    for (char& c : s) c = UpperAscii(c);
    return s;
}

std::string Trim(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') --end;
    return s.substr(begin, end - begin);
}

int ListCount(const std::string& list) {
    if (list.empty() || list.front() != list.back()) return 0;
    int count = 0;
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i] == list[0]) ++count;
    return count;
}

std::string ListField(const std::string& list, int index, const std::string& fallback) {
    if (list.empty() || index < 0) return fallback;
    const char d = list[0];
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = list.find(d, start + 1);
        if (start == std::string::npos) return fallback;
    }
    const size_t end = list.find(d, start + 1);
    if (end == std::string::npos || end == start + 1) return fallback;
    return list.substr(start + 1, end - start - 1);
}

std::string SetListField(const std::string& list, int index, const std::string& value) {
    const std::string source = list.empty() ? std::string("|") : list;
    const int count = ListCount(source);
    std::string rebuilt(1, '\0');
    for (int i = 0; i < count || i <= index; ++i) {
        rebuilt += (i == index) ? value : (i < count ? ListField(source, i) : std::string());
        rebuilt += '\0';
    }
    for (char candidate : kDelimiterCandidates) {
        if (rebuilt.find(candidate) != std::string::npos) continue;
        for (char& c : rebuilt)
            if (c == '\0') c = candidate;
        break;
    }
    return rebuilt;
}

std::string DelimitedValue(const std::string& list, const std::string& key, const std::string& fallback) {
    if (list.size() <= 2 || list.front() != list.back()) return fallback;
    const std::string d(1, list[0]);
    std::string searchKey = d + key;
    if (key.empty() || key.back() != '=') searchKey += '=';
    const std::string normalized = ReplaceAll(ReplaceAll(list, d + " ", d, false), " =", "=", false);
    const size_t at = PosText(searchKey, normalized);
    if (at == 0) return fallback;
    const size_t valueStart = at - 1 + searchKey.size();
    const size_t end = normalized.find(d, valueStart);
    return normalized.substr(valueStart, end == std::string::npos ? std::string::npos : end - valueStart);
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to, bool ignoreCase) {
    if (from.empty()) return text;
    std::string work = ignoreCase ? UpperCase(text) : text;
    const std::string pattern = ignoreCase ? UpperCase(from) : from;
    size_t at = work.find(pattern);
    if (at == std::string::npos) return text;
    // The work copy receives a filler byte that the pattern lacks, so text
    // inserted by a replacement is never matched again and positions in the
    // work copy and the result stay aligned.
    unsigned char fill = 0;
    while (pattern.find(static_cast<char>(fill)) != std::string::npos) ++fill;
    const std::string filler(to.size(), static_cast<char>(fill));
    std::string result = text;
    while (at != std::string::npos) {
        work.replace(at, pattern.size(), filler);
        result.replace(at, pattern.size(), to);
        at = work.find(pattern, at + filler.size());
    }
    return result;
}

bool SameText(const std::string& a, const std::string& b) { return UpperCase(Trim(a)) == UpperCase(Trim(b)); }

size_t PosText(const std::string& sub, const std::string& text) { return FindFrom(UpperCase(sub), UpperCase(text), 0); }

size_t PosFrom(const std::string& sub, const std::string& text, long long from) {
    if (from < 1) return 0;
    return FindFrom(sub, text, static_cast<size_t>(from - 1));
}

size_t PosFromText(const std::string& sub, const std::string& text, long long from) {
    return PosFrom(UpperCase(sub), UpperCase(text), from);
}

size_t LastPos(const std::string& sub, const std::string& text) {
    if (sub.empty()) return 0;
    const size_t at = text.rfind(sub);
    return at == std::string::npos ? 0 : at + 1;
}

bool StartsWith(const std::string& prefix, const std::string& text, bool ignoreCase) {
    if (prefix.size() > text.size()) return false;
    const std::string head = text.substr(0, prefix.size());
    return ignoreCase ? UpperCase(head) == UpperCase(prefix) : head == prefix;
}

bool EndsWith(const std::string& suffix, const std::string& text, bool ignoreCase) {
    if (suffix.size() > text.size()) return false;
    const std::string tail = text.substr(text.size() - suffix.size());
    return ignoreCase ? UpperCase(tail) == UpperCase(suffix) : tail == suffix;
}

std::string TextBefore(const std::string& text, const std::string& separator) {
    const size_t at = separator.empty() ? std::string::npos : text.find(separator);
    return at == std::string::npos ? std::string() : text.substr(0, at);
}

std::string TextAfter(const std::string& text, const std::string& separator) {
    const size_t at = separator.empty() ? std::string::npos : text.find(separator);
    return at == std::string::npos ? text : text.substr(at + separator.size());
}

std::string Unquote(const std::string& text, char quote) {
    if (text.size() == 1 && text[0] == quote) return std::string();
    if (text.size() >= 2 && text.front() == quote && text.back() == quote) return text.substr(1, text.size() - 2);
    return text;
}

}  // namespace rv
