// Diagnostic output. Standard output lines start with the process id and
// go to the trace viewer (a window of class ".VDebug.") and, when the
// process has one, to its real standard output (the terminal under Wine).
// The trace file is written only when logging is on.
#pragma once

#include <string>

namespace rv {

void StdOutLine(const std::string& text);
// A line without the process id: the empty lines of the framing.
void StdOutRaw(const std::string& text);

void SetViewerSource(unsigned short code);

void SetTraceLogging(bool on);
bool TraceLogging();
void SetTracePrefix(const std::string& prefix);
std::string LogFileName();
void TraceLog(const std::string& message);

}  // namespace rv
