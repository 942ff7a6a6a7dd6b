// Diagnostic lines on standard output. Each line starts with the process id.
#pragma once

#include <string>

namespace rv {

// Writes the process id, text and a line end to standard output, when the
// process has one (under Wine, the terminal that started it).
void StdOutLine(const std::string& text);
// A line without the process id: empty lines of the framing.
void StdOutRaw(const std::string& text);

}  // namespace rv
