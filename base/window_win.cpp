#include "base/window_win.h"

#include "base/handle_win.h"
#include "base/numbers.h"

namespace rv {

namespace {

constexpr int kWindowTextSize = 1024;

}  // namespace

std::string WindowText(HWND window) {
    if (!window) return std::string();
    char buffer[kWindowTextSize];
    const int n = GetWindowTextA(window, buffer, kWindowTextSize);
    return std::string(buffer, n > 0 ? n : 0);
}

int PointsToPixels(int points) {
    // The screen's resolution is fixed for the life of the process.
    static const int dotsPerInch = [] {
        const WindowDC screen(nullptr);
        return GetDeviceCaps(screen.get(), LOGPIXELSY);
    }();
    return MulDiv(points, dotsPerInch, 72);
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void PumpMessages(DWORD ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Sleep(ms);
}

void WaitPumping(DWORD ms, DWORD step) {
    if (step == 0) step = static_cast<DWORD>(EnsureRange(ms / 10, 1, 25));
    const DWORD start = GetTickCount();
    do {
        PumpMessages(step);
    } while (GetTickCount() - start < ms);
}

}  // namespace rv
