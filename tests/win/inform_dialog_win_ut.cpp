// The real information dialog under Wine: the test thread runs its loop, a
// second thread finds the window, looks at it and closes it.
#include <gtest/gtest.h>

#include <richedit.h>

#include <functional>
#include <string>
#include <thread>

#include "base/window_win.h"
#include "env/file_util_win.h"
#include "tests/win/win_test_util.h"
#include "ui/inform_dialog_win.h"

namespace rv {
namespace {

constexpr DWORD kWaitMs = 20000;

HWND DialogOf(DWORD thread) { return test::ThreadWindowOfClass(thread, "VRichEditBox"); }

// Runs `act` on the dialog once its loop runs (the children are made before
// it); joins at the end of the scope.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> act)
        : thread_([act, dialogThread = GetCurrentThreadId()] {
              const DWORD start = GetTickCount();
              while (GetTickCount() - start < kWaitMs) {
                  HWND dialog = DialogOf(dialogThread);
                  DWORD_PTR ignored = 0;
                  if (dialog && SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_BLOCK, kWaitMs, &ignored)) {
                      act(dialog);
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~DialogDriver() { thread_.join(); }

private:
    std::thread thread_;
};

RECT ChildRect(HWND dialog, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT ClientOf(HWND dialog) {
    RECT r{};
    GetClientRect(dialog, &r);
    return r;
}

// What the driver saw.
struct Seen {
    std::string title, text, buttonText;
    bool found = false, hasButton = false, rightToLeft = false, rightAligned = false;
    RECT client{}, textRect{}, buttonRect{};
};

Seen Look(HWND dialog) {
    Seen seen;
    seen.found = true;
    seen.title = WindowText(dialog);
    HWND edit = FindWindowExA(dialog, nullptr, RICHEDIT_CLASS10A, nullptr);
    char buffer[512] = {};
    SendMessageA(edit, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    seen.text = buffer;
    seen.rightToLeft = (GetWindowLongA(edit, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    seen.rightAligned = (GetWindowLongA(edit, GWL_STYLE) & ES_RIGHT) != 0;
    seen.client = ClientOf(dialog);
    seen.textRect = ChildRect(dialog, edit);
    HWND button = FindWindowExA(dialog, nullptr, "Button", nullptr);
    seen.hasButton = button != nullptr;
    if (button) {
        seen.buttonText = WindowText(button);
        seen.buttonRect = ChildRect(dialog, button);
    }
    return seen;
}

bool WaitForFile(const std::string& path) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kWaitMs) {
        if (FileExists(path)) return true;
        Sleep(50);
    }
    return false;
}

// A link that leaves a trace when the shell opens it.
class MarkerLink {
public:
    MarkerLink() { AppendText(Link(), "@echo opened> \"" + Marker() + "\"\r\n", 0); }
    std::string Link() const { return dir_.File("news.bat"); }
    std::string Marker() const { return dir_.File("opened.txt"); }

private:
    test::ScratchDir dir_;
};

void ExpectButtonCentredAboveTheBottom(const Seen& seen, const char* when) {
    EXPECT_EQ(seen.buttonRect.left, (seen.client.right - 160) / 2) << when;
    EXPECT_EQ(seen.buttonRect.top, seen.client.bottom - 33) << when;
    EXPECT_EQ(seen.buttonRect.right - seen.buttonRect.left, 160) << when;
    EXPECT_EQ(seen.buttonRect.bottom - seen.buttonRect.top, 25) << when;
    EXPECT_EQ(seen.textRect.bottom, seen.client.bottom - 43) << when;
}

TEST(InformDialogWindow, TextAndLinkButtonThatOpensAndCloses) {
    const MarkerLink link;
    InformRequest request;
    request.title = "What is new";
    request.buttonText = "Read more";
    request.text = "Version 2 is out.\r\nIt is faster.";
    request.link = "  " + link.Link() + " ";
    request.width = 420;
    request.height = 300;
    Seen before, after;
    int result = -1;
    {
        const DialogDriver driver([&](HWND dialog) {
            before = Look(dialog);
            SetWindowPos(dialog, nullptr, 0, 0, 601, 457, SWP_NOMOVE | SWP_NOZORDER);
            after = Look(dialog);
            SendMessageA(FindWindowExA(dialog, nullptr, "Button", nullptr), BM_CLICK, 0, 0);
        });
        result = InformDialog(nullptr, request);
    }
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(before.found);
    EXPECT_EQ(before.title, "What is new");
    EXPECT_EQ(before.text, "Version 2 is out.\r\nIt is faster.");
    ASSERT_TRUE(before.hasButton);
    EXPECT_EQ(before.buttonText, "Read more");
    EXPECT_EQ(before.textRect.left, 3);
    EXPECT_FALSE(before.rightToLeft);
    ExpectButtonCentredAboveTheBottom(before, "at first");
    EXPECT_NE(after.client.right, before.client.right);
    ExpectButtonCentredAboveTheBottom(after, "after resizing");
    EXPECT_TRUE(WaitForFile(link.Marker())) << "the link was not opened";
    EXPECT_EQ(DialogOf(GetCurrentThreadId()), nullptr);
}

TEST(InformDialogWindow, TextAloneFillsTheWindowAndClosesByTheTitleBar) {
    const struct {
        bool rightToLeft;
        UINT closeMessage;
        WPARAM closeWParam;
    } cases[] = {{false, WM_CLOSE, 0}, {true, WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& c : cases) {
        InformRequest request;
        request.title = "News";
        request.text = "Only text";
        request.rightToLeft = c.rightToLeft;
        Seen seen;
        int result = -1;
        {
            const DialogDriver driver([&](HWND dialog) {
                seen = Look(dialog);
                PostMessageA(dialog, c.closeMessage, c.closeWParam, 0);
            });
            result = InformDialog(nullptr, request);
        }
        EXPECT_EQ(result, 1) << c.rightToLeft;
        ASSERT_TRUE(seen.found);
        EXPECT_FALSE(seen.hasButton);
        EXPECT_EQ(seen.rightToLeft, c.rightToLeft);
        EXPECT_EQ(seen.rightAligned, c.rightToLeft);
        EXPECT_EQ(seen.textRect.left, 3);
        EXPECT_EQ(seen.textRect.top, 0);
        EXPECT_EQ(seen.textRect.right, seen.client.right);
        EXPECT_EQ(seen.textRect.bottom, seen.client.bottom);
        EXPECT_EQ(DialogOf(GetCurrentThreadId()), nullptr);
    }
}

// Neither shows a window: a driver would wait in vain, so none is started.
TEST(InformDialogWindow, LinkAloneOpensAtOnceAndNothingShowsNothing) {
    const MarkerLink link;
    InformRequest request;
    request.link = link.Link();
    EXPECT_EQ(InformDialog(nullptr, request), 1);
    EXPECT_TRUE(WaitForFile(link.Marker())) << "the link was not opened";
    request.link = "   ";
    EXPECT_EQ(InformDialog(nullptr, request), 0);
    EXPECT_EQ(DialogOf(GetCurrentThreadId()), nullptr);
}

}  // namespace
}  // namespace rv
