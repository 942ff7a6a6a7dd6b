// The two traces: standard output, sent to a trace viewer window, and the
// trace file beside the executable. The pure parts.
#pragma once

#include <string>
#include <vector>

#include "base/clock.h"

namespace rv {

// Standard output reaches the viewer a buffer at a time.
constexpr size_t kViewerBufferSize = 128;
std::vector<std::string> ViewerChunks(const std::string& text);

// Upd.exe and X_Upd.exe both log to X_Upd.log in their own folder.
std::string TraceFileName(const std::string& exePath);

// "dd/mm/yy HH:NN:SS", the thread id right-aligned in 5 (never cut), the
// prefix, the message, CR LF.
std::string TraceFileLine(const DateTime& now, unsigned long threadId, const std::string& prefix,
                          const std::string& message);

}  // namespace rv
