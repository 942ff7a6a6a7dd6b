// Small operations on 8-bit strings: case, trimming, delimited lists,
// case-insensitive search and replace.
//
// Conventions: positions count from 1 and 0 means "not found"; "upper case"
// maps only the ASCII letters a..z, every other byte stays as it is;
// nothing here fails loudly: the result is empty, 0, false or the default.
#pragma once

#include <cstddef>
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
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to, bool ignoreCase);
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

}  // namespace rv
