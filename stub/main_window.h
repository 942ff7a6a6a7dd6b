// The main window's geometry: a 492 x 110 window with a status line, the
// progress bar and the small activity bar; mirrored for Hebrew and Arabic.
#pragma once

namespace rv {

constexpr int kMainWindowWidth = 492;
constexpr int kMainWindowHeight = 110;
constexpr unsigned long kMainWindowStyle = 0x02C80000;  // caption, system menu, clip children
constexpr int kMainIconX = 18;
constexpr int kMainIconY = 20;

struct Box {
    int x, y, width, height;
};

struct MainWindowLayout {
    // `detail` is a second text line under the progress bar, for what
    // changes as a transfer goes on (its count and rate), so that the status
    // line keeps its title.
    Box status, progress, activity, detail;
    unsigned long statusStyle;
    unsigned long statusExStyle;
};

bool IsRightToLeft(int charset);
MainWindowLayout LayoutForCharset(int charset);
// The top-left corner that centres a window of this size in an area.
Box CenteredIn(const Box& area, int width, int height);

}  // namespace rv
