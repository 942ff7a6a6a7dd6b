// The main window's geometry: a 492 x 110 window with its icon, a status
// line, the progress bar and the small activity bar, and a detail line under
// the bar; mirrored for Hebrew and Arabic. Lengths are designed at 96 dots
// per inch and given at the window's resolution.
#pragma once

namespace rv {

constexpr int kMainWindowWidth = 492;
constexpr int kMainWindowHeight = 110;
constexpr unsigned long kMainWindowStyle = 0x02C80000;  // caption, system menu, clip children
// The status lines' first font, until the package's is set: Tahoma, this
// many pixels high at 96 dots per inch.
constexpr int kFirstStatusFontHeight = 11;

struct Box {
    int x, y, width, height;
};

struct MainWindowLayout {
    Box window;  // its outer size (x and y 0)
    Box icon;
    // `detail` is a second text line under the progress bar, for what
    // changes as a transfer goes on (its count and rate), so that the status
    // line keeps its title.
    Box status, progress, activity, detail;
    unsigned long statusStyle;
    unsigned long statusExStyle;
};

bool IsRightToLeft(int charset);
MainWindowLayout MainWindowLayoutOf(int charset, int dpi);
// The top-left corner that centres a window of this size in an area.
Box CenteredIn(const Box& area, int width, int height);

}  // namespace rv
