#include "base/window_win.h"

#include "base/bind_win.h"
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

int ScreenDpi() {
    // The system's resolution is fixed for the life of the process; a move
    // to another monitor changes a window's only.
    static const int dotsPerInch = [] {
        const WindowDC screen(nullptr);
        return GetDeviceCaps(screen.get(), LOGPIXELSY);
    }();
    return dotsPerInch;
}

int WindowDpi(HWND window) {
    static auto* const dpiForWindow = BindProc<UINT WINAPI(HWND)>("user32.dll", "GetDpiForWindow");
    const UINT dpi = window && dpiForWindow ? dpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : ScreenDpi();
}

int PointsToPixels(int points) { return PointsToPixels(points, ScreenDpi()); }

int PointsToPixels(int points, int dpi) { return MulDiv(points, dpi, 72); }

IconHandle ProgramIcon(const char* name, int size) {
    return IconHandle(
        static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

IconHandle SystemIcon(int id, int size) {
    // Common controls 6 (Vista on) scale the system's large images down;
    // elsewhere the shared 32-pixel icon is copied at the size.
    static auto* const scaleDown =
        BindProc<HRESULT WINAPI(HINSTANCE, PCWSTR, int, int, HICON*)>("comctl32.dll", "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (scaleDown && SUCCEEDED(scaleDown(nullptr, MAKEINTRESOURCEW(id), size, size, &icon))) return IconHandle(icon);
    const HICON shared = LoadIconA(nullptr, MAKEINTRESOURCEA(id));
    return IconHandle(shared ? static_cast<HICON>(CopyImage(shared, IMAGE_ICON, size, size, 0)) : nullptr);
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
