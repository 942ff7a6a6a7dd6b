// Waiting while messages are dispatched, and the screen's measures.
#include <gtest/gtest.h>

#include "base/handle_win.h"
#include "base/window_win.h"

namespace rv {
namespace {

LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    return DefWindowProcA(w, m, wp, lp);
}

TEST(Waiting, PumpingDispatchesWhileItWaits) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RvPumpTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("RvPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    int count = 0;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
    PostMessageA(window, WM_APP, 0, 0);
    PostMessageA(window, WM_APP, 0, 0);
    const DWORD start = GetTickCount();
    WaitPumping(200, 0);
    EXPECT_GE(GetTickCount() - start, 200u);
    EXPECT_EQ(count, 2);
    DestroyWindow(window);
}

TEST(Screen, PointsToPixelsFollowsTheScreenResolution) {
    const int dpi = GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSY);
    EXPECT_EQ(PointsToPixels(72), dpi);
    EXPECT_EQ(PointsToPixels(8), MulDiv(8, dpi, 72));
    const RECT area = WorkArea();
    EXPECT_GT(area.right - area.left, 0);
}

}  // namespace
}  // namespace rv
