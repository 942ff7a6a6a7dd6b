// Small operations on 8-bit strings shared by every part of the stub and by
// the builder: delimited lists, case-insensitive search, numbers, dates,
// command-line switches, registry paths and the text scrambler.
//
// Conventions: positions count from 1 and 0 means "not found"; "upper case"
// maps only the ASCII letters a..z, every other byte stays as it is;
// nothing here fails loudly: the result is empty, 0, false or the default.
#pragma once

#include <cstdint>
#include <string>

namespace rv {

// --- Case and trimming ---------------------------------------------------
char UpperAscii(char c);
std::string UpperCase(std::string s);
// Trims blanks and control characters (bytes up to 0x20) at both ends.
std::string Trim(const std::string& s);

// --- Delimited lists: the first character is the delimiter ---------------
// "|a|b|" has the fields "a" and "b".
int ListCount(const std::string& list);
std::string ListField(const std::string& list, int index, const std::string& fallback = "");
std::string SetListField(const std::string& list, int index, const std::string& value);
std::string DelimitedValue(const std::string& list, const std::string& key, const std::string& fallback);

// --- Search and replace --------------------------------------------------
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to,
                       bool ignoreCase);
bool SameText(const std::string& a, const std::string& b);
size_t PosText(const std::string& sub, const std::string& text);
size_t PosFrom(const std::string& sub, const std::string& text, long long from);
size_t PosFromText(const std::string& sub, const std::string& text, long long from);
size_t LastPos(const std::string& sub, const std::string& text);
bool StartsWith(const std::string& prefix, const std::string& text, bool ignoreCase);
bool EndsWith(const std::string& suffix, const std::string& text, bool ignoreCase);
std::string TextBefore(const std::string& text, const std::string& separator);
std::string TextAfter(const std::string& text, const std::string& separator);
std::string Unquote(const std::string& text, char quote);

// --- Numbers -------------------------------------------------------------
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
// A pseudo-random integer from low to high inclusive, as decimal text.
std::string RandomNumberText(long long low, long long high);
long long RandomNumber(long long low, long long high);

// --- Dates ---------------------------------------------------------------
struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};
std::string DateStamp(const DateTime& t);      // 05-DEC-2026
std::string DateTimeStamp(const DateTime& t);  // 05-DEC-2026  14:03:09
std::string LogTimeStamp(const DateTime& t);   // 05/12/26 14:03:09
// Whole seconds since 1899-12-30 00:00, the time base of the package and
// of the update agent, and back.
int64_t SecondsSince1899(const DateTime& t);
DateTime DateTimeFromSeconds(int64_t seconds);

// --- Paths -----------------------------------------------------------------
using LeadBytePredicate = bool (*)(unsigned char);
std::string WithBackslash(const std::string& path, bool add, const LeadBytePredicate& isLeadByte);
std::string WithoutBackslash(const std::string& path, const LeadBytePredicate& isLeadByte);
std::string FileNameOf(const std::string& path);
std::string FolderOf(const std::string& path);
// The file name with everything from its first "." removed: Setup.exe.001
// gives Setup.
std::string NameWithoutExtensions(const std::string& path);

// --- Command line ----------------------------------------------------------
std::string CommandTailOf(const std::string& commandLine, const std::string& programPath);
bool SwitchPresentIn(const std::string& tail, const std::string& name);
std::string SwitchValueIn(const std::string& tail, const std::string& name);
long long SwitchNumberIn(const std::string& tail, const std::string& name, long long fallback);

// --- Registry paths ----------------------------------------------------------
struct RegistryPath {
    uint32_t root;
    std::string subkey;
};
constexpr uint32_t kHkeyCurrentUser = 0x80000001;
uint32_t RegistryRootOf(const std::string& name);
RegistryPath SplitRegistryPath(const std::string& path);
// The text of a registry value as the stub reports it: a DWORD as signed
// decimal, a multi-string with "<0>" between its strings, anything else up
// to its first NUL.
std::string RegistryValueText(uint32_t type, const std::string& data);

// --- Scrambler for stored texts --------------------------------------------
constexpr const char* kScrambleMarker = "Scrambled=01";
std::string Scramble(const std::string& text, bool encode);
// The same with the key chosen by the caller (33..122 for a fresh encoding).
std::string ScrambleWithKey(const std::string& text, bool encode, int key);

}  // namespace rv
