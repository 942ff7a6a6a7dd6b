#include "stub/main_window.h"

#include "base/numbers.h"

namespace rv {

namespace {
constexpr unsigned long kChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr unsigned long kRightAligned = 0x00000002;  // SS_RIGHT
constexpr unsigned long kRtlReading = 0x00002000;    // WS_EX_RTLREADING
}  // namespace

bool IsRightToLeft(int charset) { return charset == 177 || charset == 178; }

MainWindowLayout MainWindowLayoutOf(int charset, int dpi) {
    const bool rtl = IsRightToLeft(charset);
    const auto at = [dpi](int x, int y, int width, int height) {
        return Box{ScaleToDpi(x, dpi), ScaleToDpi(y, dpi), ScaleToDpi(width, dpi), ScaleToDpi(height, dpi)};
    };
    MainWindowLayout layout;
    layout.window = at(0, 0, kMainWindowWidth, kMainWindowHeight);
    layout.icon = at(18, 20, 32, 32);
    layout.status = at(rtl ? 122 : 70, 20, 340, 18);
    layout.progress = at(70, 38, 392, 13);
    layout.activity = at(rtl ? 70 : 416, 20, 46, 13);
    layout.detail = at(70, 55, 392, 16);
    layout.statusStyle = rtl ? kChildVisible | kRightAligned : kChildVisible;
    layout.statusExStyle = rtl ? kRtlReading : 0;
    return layout;
}

Box CenteredIn(const Box& area, int width, int height) {
    return Box{area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width, height};
}

}  // namespace rv
