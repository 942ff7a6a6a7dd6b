#include "ui/text.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace rv {

namespace {

const char kDigits[] = "0123456789ABCDEF";
const char kMonths[] = "||JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC|";
// Delimiters tried, in order, for lists the program builds itself.
const char kDelimiterCandidates[] = {'|', '^', '!', '~', '@', '#', '$', '&', '*', '\xFF'};

size_t FindFrom(const std::string& sub, const std::string& text, size_t start) {
    if (sub.empty() || start > text.size()) return 0;
    const size_t at = text.find(sub, start);
    return at == std::string::npos ? 0 : at + 1;
}

std::string Two(int n) { return ZeroPad(n, 2); }

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
    const std::string normalized =
        ReplaceAll(ReplaceAll(list, d + " ", d, false), " =", "=", false);
    const size_t at = PosText(searchKey, normalized);
    if (at == 0) return fallback;
    const size_t valueStart = at - 1 + searchKey.size();
    const size_t end = normalized.find(d, valueStart);
    return normalized.substr(valueStart, end == std::string::npos ? std::string::npos : end - valueStart);
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to,
                       bool ignoreCase) {
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

bool SameText(const std::string& a, const std::string& b) {
    return UpperCase(Trim(a)) == UpperCase(Trim(b));
}

size_t PosText(const std::string& sub, const std::string& text) {
    return FindFrom(UpperCase(sub), UpperCase(text), 0);
}

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
    if (text.size() >= 2 && text.front() == quote && text.back() == quote)
        return text.substr(1, text.size() - 2);
    return text;
}

std::string PadLeft(const std::string& text, size_t width, char fill) {
    return text.size() >= width ? text : std::string(width - text.size(), fill) + text;
}

std::string IntText(long long n) {
    // Built by hand: the stub links no formatted-output code.
    const bool negative = n < 0;
    unsigned long long u = negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[u % 10]);
        u /= 10;
    } while (u != 0);
    return negative ? "-" + digits : digits;
}

std::string ZeroPad(long long number, size_t width) { return PadLeft(IntText(number), width, '0'); }

std::string BoolText(bool b) { return b ? "TRUE" : "FALSE"; }

// Walks from the last character with weight 1, 1 * base, ...; a character
// outside the digit table counts as -1 (its index 0 minus one), as the
// callers only pass digits of their base. Wraps like 64-bit arithmetic.
long long ParseNumber(const std::string& text, int base) {
    const std::string s = UpperCase(Trim(text));
    unsigned long long sum = 0, weight = 1;
    for (size_t i = s.size(); i-- > 0;) {
        const char* at = nullptr;
        for (const char* d = kDigits; *d; ++d)
            if (*d == s[i]) at = d;
        const long long index = at ? (at - kDigits) + 1 : 0;
        sum += static_cast<unsigned long long>(index - 1) * weight;
        weight *= static_cast<unsigned long long>(base);
    }
    return static_cast<long long>(sum);
}

long long ParseHex(const std::string& text) {
    const std::string s = Trim(text);
    return ParseNumber(StartsWith("0x", s, true) ? s.substr(2) : s, 16);
}

long long ToInt64(const std::string& text, long long fallback) {
    const std::string s = Trim(text);
    size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) i = 1;
    if (i >= s.size()) return fallback;
    unsigned long long value = 0;
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return fallback;
        const unsigned digit = static_cast<unsigned>(s[i] - '0');
        if (value > (limit - digit) / 10) return fallback;
        value = value * 10 + digit;
    }
    return negative ? static_cast<long long>(0ULL - value) : static_cast<long long>(value);
}

std::string FixedText(double value, int decimals) {
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const long long scaled = std::llround(value * static_cast<double>(scale));
    if (decimals == 0) return IntText(scaled);
    return IntText(scaled / scale) + "." + ZeroPad(scaled % scale, static_cast<size_t>(decimals));
}

long long Min(long long a, long long b) { return a < b ? a : b; }
long long Max(long long a, long long b) { return a > b ? a : b; }
long long EnsureRange(long long value, long long low, long long high) { return Max(low, Min(value, high)); }

long long RandomNumber(long long low, long long high) {
    // Seeded once from the clock and then stepped, so that two calls in the
    // same clock tick (two temp folder names, say) still differ.
    static unsigned long long state = 0;
    if (state == 0)
        state = static_cast<unsigned long long>(std::time(nullptr)) * 6364136223846793005ULL ^
                reinterpret_cast<uintptr_t>(&state) ^ static_cast<unsigned long long>(std::clock());
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    if (high <= low) return low;
    const unsigned long long span = static_cast<unsigned long long>(high - low) + 1;
    return low + static_cast<long long>(state % span);
}

std::string RandomNumberText(long long low, long long high) { return IntText(RandomNumber(low, high)); }

std::string DateStamp(const DateTime& t) {
    return Two(t.day) + "-" + ListField(kMonths, t.month, "???") + "-" + ZeroPad(t.year, 4);
}

std::string DateTimeStamp(const DateTime& t) {
    return DateStamp(t) + "  " + Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second);
}

std::string LogTimeStamp(const DateTime& t) {
    return Two(t.day) + "/" + Two(t.month) + "/" + Two(t.year % 100) + " " + Two(t.hour) + ":" +
           Two(t.minute) + ":" + Two(t.second);
}

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

const int64_t kDays1899 = DaysFromCivil(1899, 12, 30);
}  // namespace

int64_t SecondsSince1899(const DateTime& t) {
    const int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kDays1899;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

DateTime DateTimeFromSeconds(int64_t seconds) {
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime t;
    CivilFromDays(days + kDays1899, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::string WithBackslash(const std::string& path, bool add, const LeadBytePredicate& isLeadByte) {
    std::string p = path;
    if (p.size() > 2 && p.back() == '\\' && !isLeadByte(static_cast<unsigned char>(p[p.size() - 2])))
        p.pop_back();
    if (add) p += '\\';
    return p;
}

std::string WithoutBackslash(const std::string& path, const LeadBytePredicate& isLeadByte) {
    if (path == "\\") return std::string();
    if (path.size() >= 2 && path.back() == '\\' && !isLeadByte(static_cast<unsigned char>(path[path.size() - 2])))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string FileNameOf(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string NameWithoutExtensions(const std::string& path) {
    const std::string name = FileNameOf(path);
    return name.substr(0, name.find('.'));
}

std::string CommandTailOf(const std::string& commandLine, const std::string& programPath) {
    const std::string upper = UpperCase(commandLine);
    for (const std::string& form : {"\"" + programPath + "\"", programPath}) {
        if (form.empty()) continue;
        const size_t at = upper.find(UpperCase(form));
        if (at != std::string::npos) {
            std::string tail = commandLine;
            tail.erase(at, form.size());
            return Trim(tail);
        }
    }
    return Trim(commandLine);
}

bool SwitchPresentIn(const std::string& tail, const std::string& name) { return PosText(name, tail) != 0; }

std::string SwitchValueIn(const std::string& tail, const std::string& name) {
    const size_t at = PosText(name, tail);
    if (at == 0) return std::string();
    const std::string rest = tail.substr(at - 1 + name.size());
    if (rest.empty()) return "TRUE";
    if (rest[0] == '"') {
        const size_t close = rest.find('"', 1);
        return Trim(rest.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    }
    std::string value = rest.substr(0, rest.find(' '));
    value = value.substr(0, value.find('/'));
    return Trim(value);
}

long long SwitchNumberIn(const std::string& tail, const std::string& name, long long fallback) {
    return ToInt64(SwitchValueIn(tail, name), fallback);
}

uint32_t RegistryRootOf(const std::string& name) {
    static const struct {
        const char* longName;
        const char* shortName;
        uint32_t root;
    } kRoots[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", 0x80000000}, {"HKEY_CURRENT_USER", "HKCU", 0x80000001},
        {"HKEY_LOCAL_MACHINE", "HKLM", 0x80000002}, {"HKEY_USERS", "HKU", 0x80000003},
        {"HKEY_CURRENT_CONFIG", "HKCC", 0x80000005}, {"HKEY_DYN_DATA", "HKDD", 0x80000006},
    };
    const std::string upper = UpperCase(Trim(name));
    for (const auto& r : kRoots)
        if (upper == r.longName || upper == r.shortName) return r.root;
    return kHkeyCurrentUser;
}

RegistryPath SplitRegistryPath(const std::string& path) {
    const std::string p = Trim(path);
    if (!StartsWith("HK", p, true)) return {kHkeyCurrentUser, p};
    const size_t slash = p.find('\\');
    if (slash == std::string::npos) return {RegistryRootOf(p), std::string()};
    return {RegistryRootOf(p.substr(0, slash)), p.substr(slash + 1)};
}

std::string RegistryValueText(uint32_t type, const std::string& data) {
    const uint32_t kDword = 4, kMultiString = 7;
    if (type == kDword && data.size() == 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(data.data());
        const uint32_t u = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
        return IntText(static_cast<int32_t>(u));
    }
    if (type == kMultiString && data.size() > 2) {
        std::string s = data;
        while (!s.empty() && s.back() == '\0') s.pop_back();
        return ReplaceAll(s, std::string(1, '\0'), "<0>", false);
    }
    return data.substr(0, data.find('\0'));
}

std::string ScrambleWithKey(const std::string& text, bool encode, int key) {
    const std::string marker = kScrambleMarker;
    const bool marked = StartsWith(marker, text, false);
    if (marked == encode) return text;
    std::string body = text;
    if (marked && text.size() > marker.size()) {
        key = static_cast<unsigned char>(text[marker.size()]);
        body = text.substr(marker.size() + 1);
    }
    int a = key;
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(static_cast<unsigned char>(body[i]) ^ ((static_cast<int>(i) + 1 + a) & 0xFF));
        a = -a;
    }
    return encode ? marker + static_cast<char>(key) + body : body;
}

std::string Scramble(const std::string& text, bool encode) {
    return ScrambleWithKey(text, encode, static_cast<int>(RandomNumber(0, 89)) + 33);
}

}  // namespace rv
