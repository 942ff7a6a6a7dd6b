#include "proc/process.h"

#include "base/text.h"

namespace rv {

bool ImageMatches(const PathQuery& query, const ProcessImage& image, bool noNameMatch) {
    if (Trim(query.path).empty()) return false;
    if (SameText(image.path, query.path)) return true;
    if (!noNameMatch && SameText(image.name, query.path)) return true;
    return !Trim(query.shortPath).empty() && SameText(image.shortPath, query.shortPath);
}

size_t NextIdBufferSize(size_t bufferBytes, size_t bytesReturned) {
    return bytesReturned < bufferBytes ? 0 : bufferBytes + kIdBufferStep;
}

bool LimitPassed(uint32_t startTick, int32_t limitMs, uint32_t nowTick) {
    if (limitMs < 1) return false;
    return nowTick - startTick > static_cast<uint32_t>(limitMs);
}

bool IsImeWindowClass(const std::string& className) {
    return SameText(className, "IME") || SameText(className, "MSCTFIME UI");
}

std::vector<uint16_t> ScoreWindows(const std::vector<WindowFacts>& windows) {
    std::vector<uint16_t> scores(windows.size(), 0);
    for (const WindowFacts& w : windows)
        if (w.rootOwner >= 0 && static_cast<size_t>(w.rootOwner) < windows.size()) ++scores[w.rootOwner];
    for (size_t i = 0; i < windows.size(); ++i)
        scores[i] =
            static_cast<uint16_t>((scores[i] << 2) + (windows[i].titled ? 2 : 0) + (windows[i].visible ? 1 : 0));
    return scores;
}

int ChooseMainWindow(const std::vector<uint16_t>& scores) {
    int best = -1;
    for (size_t i = 0; i < scores.size(); ++i)
        if (scores[i] > 0 && (best < 0 || scores[i] > scores[best])) best = static_cast<int>(i);
    return best;
}

}  // namespace rv
