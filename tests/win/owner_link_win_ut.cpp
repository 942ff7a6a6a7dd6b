#include "env/owner_link_win.h"

#include <gtest/gtest.h>

namespace rv {
namespace {

TEST(OwnerLink, PostsOnlyOnceConnectedWithWindowAndMessage) {
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MSG msg;
    OwnerLink owner;
    owner.Notify(notice::kClosing, 0);
    owner.Connect(window, 0);
    owner.Notify(notice::kClosing, 0);
    EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
    owner.Connect(window, WM_APP + 7);
    owner.Notify(notice::kClosing, 9);
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_APP + 7, WM_APP + 7, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 43u);
    EXPECT_EQ(msg.lParam, 9);
    DestroyWindow(window);
}

}  // namespace
}  // namespace rv
