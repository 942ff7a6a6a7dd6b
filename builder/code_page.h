// File names as Windows will see them: the stub opens files with the
// system's 8-bit (ANSI) code page, so the builder stores names in the
// package's code page, compares them as Windows' file systems do (without
// case) and shows stored names converted back. A table per supported code
// page keeps the conversion the same on every host the builder runs on.
#pragma once

#include <string>

namespace rv::builder {

constexpr int kDefaultCodePage = 1252;

bool IsSupportedCodePage(int codePage);
// "874, 1250, ... 1258", for messages.
std::string SupportedCodePages();
// The code page of a Windows character set number (a language's Charset);
// 0 for an unknown set. Double-byte code pages are named but not converted
// to: names and texts in them must be ASCII.
int CodePageOfCharset(int charset);

// UTF-8 text in the code page. On failure returns false and says why in
// `why` (not UTF-8, or the first character the code page cannot hold).
bool FromUtf8(const std::string& utf8, int codePage, std::string& out, std::string& why);

// Code-page bytes as UTF-8 for a terminal: control characters and bytes the
// code page does not define are written as \xNN, so that nothing from a
// package can steer the terminal.
std::string DisplayText(const std::string& bytes, int codePage);

// UTF-8 text (a message that may quote a package) with control characters
// and bytes that are not UTF-8 written as \xNN.
std::string TerminalSafe(const std::string& utf8);

// The key under which Windows treats two names of the code page as the
// same file: case folded, and each component without the dots and blanks
// at its end, which the system drops.
std::string WindowsNameKey(const std::string& bytes, int codePage);

}  // namespace rv::builder
