#include "env/trace.h"

#include "base/clock.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text.h"

namespace rv {

std::vector<std::string> ViewerChunks(const std::string& text) {
    std::vector<std::string> chunks;
    for (size_t at = 0; at < text.size(); at += kViewerBufferSize) chunks.push_back(text.substr(at, kViewerBufferSize));
    return chunks;
}

std::string TraceFileName(const std::string& exePath) {
    std::string name = FileNameOf(exePath);
    if (!StartsWith("X_", name, false)) name = "X_" + name;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return FolderOf(exePath) + name + ".log";
}

std::string TraceFileLine(const DateTime& now, unsigned long threadId, const std::string& prefix,
                          const std::string& message) {
    return LogTimeStamp(now) + " " + PadLeft(IntText(static_cast<long long>(threadId)), 5, ' ') + prefix + message +
           "\r\n";
}

}  // namespace rv
