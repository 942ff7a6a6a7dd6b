// Decisions of the process and window search that need no Windows call:
// which process image matches a path, which top-level window of a process
// is its main window, when a wait has used up its limit, and how far the
// process id buffer grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rv {

// --- Matching a process by path -------------------------------------------
// What the system tells about the executable of one running process. Any
// field may be empty when the system would not say.
struct ProcessImage {
    std::string path;       // full executable path
    std::string name;       // bare file name
    std::string shortPath;  // 8.3 form of `path`
};

// The path looked for, with its 8.3 form (empty when the file does not
// exist, which rules out a short-form match).
struct PathQuery {
    std::string path;
    std::string shortPath;
};

// Blanks around either side and letter case never matter. A bare-name
// match only happens when the caller asked for a bare name and did not
// switch it off with `noNameMatch`.
bool ImageMatches(const PathQuery& query, const ProcessImage& image, bool noNameMatch);

// --- Process id buffer --------------------------------------------------------
constexpr size_t kIdBufferStep = 1024;  // bytes
// The id enumeration cannot tell how many ids exist; a buffer it filled up
// may have cut the list short. Gives the next buffer size in bytes, or 0
// when the list of `bytesReturned` bytes is complete.
size_t NextIdBufferSize(size_t bufferBytes, size_t bytesReturned);

// --- Waiting ------------------------------------------------------------------
// True when more than `limitMs` milliseconds have gone by since `startTick`;
// never for a limit of 0 or less. The tick counter wraps after 49.7 days,
// so only the elapsed difference is compared, never the two tick values.
bool LimitPassed(uint32_t startTick, int32_t limitMs, uint32_t nowTick);

// --- Main window ----------------------------------------------------------------
// At most this many top-level windows of one process take part in the
// search; later ones in enumeration order are ignored. It also keeps the
// 16-bit scores from overflowing (2000 owned windows score 8003).
constexpr size_t kMaxProcessWindows = 2001;

// The input method editor gives every GUI thread top-level windows of its
// own ("Default IME", titled and owned by the thread's active window).
// They are the system's, not the program's: counted, they would make a
// program with only a hidden untitled window look as if it had a main
// window, and a close message would go to them.
bool IsImeWindowClass(const std::string& className);

// One top-level window of the process, as the search sees it.
struct WindowFacts {
    int rootOwner = -1;  // index of the end of its owner chain in the same list, -1 if none there
    bool titled = false;
    bool visible = false;
};

// Four points per window whose owner chain ends at this one, two for a
// title, one for being visible.
std::vector<uint16_t> ScoreWindows(const std::vector<WindowFacts>& windows);
// Index of the window with the highest score, the earliest on a tie; -1
// when every score is 0 (no window looks like a main window).
int ChooseMainWindow(const std::vector<uint16_t>& scores);

}  // namespace rv
