#include "stub/main_window.h"

namespace rv {

namespace {
constexpr unsigned long kChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr unsigned long kRightAligned = 0x00000002;  // SS_RIGHT
constexpr unsigned long kRtlReading = 0x00002000;    // WS_EX_RTLREADING
}  // namespace

bool IsRightToLeft(int charset) { return charset == 177 || charset == 178; }

MainWindowLayout LayoutForCharset(int charset) {
    const bool rtl = IsRightToLeft(charset);
    MainWindowLayout layout;
    layout.status = Box{rtl ? 122 : 70, 20, 340, 18};
    layout.progress = Box{70, 38, 392, 13};
    layout.activity = Box{rtl ? 70 : 416, 20, 46, 13};
    layout.detail = Box{70, 55, 392, 16};
    layout.statusStyle = rtl ? kChildVisible | kRightAligned : kChildVisible;
    layout.statusExStyle = rtl ? kRtlReading : 0;
    return layout;
}

Box CenteredIn(const Box& area, int width, int height) {
    return Box{area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width, height};
}

}  // namespace rv
