#include "base/numbers.h"

#include <cmath>

#include "base/text.h"

namespace rv {

namespace {

const char kDigits[] = "0123456789ABCDEF";

}  // namespace

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

int ScaleToDpi(int designValue, int dpi) {
    if (dpi <= 0) return designValue;
    const long long product = static_cast<long long>(designValue) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
}

}  // namespace rv
