// Numbers as text and back, and clamping. Nothing fails loudly: a text
// that is no number gives the fallback.
#pragma once

#include <string>

namespace rv {

std::string PadLeft(const std::string& text, size_t width, char fill);
std::string ZeroPad(long long number, size_t width);
std::string BoolText(bool b);
std::string IntText(long long n);
// A non-negative number rounded to `decimals` places: FixedText(2.345, 2) is "2.35".
std::string FixedText(double value, int decimals);
// Follows the digit table "0123456789ABCDEF"; see the .cpp for what other
// characters do.
long long ParseNumber(const std::string& text, int base);
long long ParseHex(const std::string& text);
// A decimal integer (optional sign, blanks around it); `fallback` otherwise.
long long ToInt64(const std::string& text, long long fallback);
long long Min(long long a, long long b);
long long Max(long long a, long long b);
long long EnsureRange(long long value, long long low, long long high);

// Window geometry is designed at 96 dots per inch, the display scale of
// 100%, and scaled to the window's resolution: rounded to the nearest
// pixel, halves away from zero (as MulDiv does), so that a design value
// of 1 stays at least one pixel. A resolution of 0 or less means the design's.
constexpr int kDesignDpi = 96;
int ScaleToDpi(int designValue, int dpi);

}  // namespace rv
