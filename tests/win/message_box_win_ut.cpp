// The real box under Wine, driven from a second thread as a user at the
// keyboard would: the test thread runs the box's modal loop, the driver
// waits for the box window and then posts keys to it.
#include <gtest/gtest.h>

#include <richedit.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/numbers.h"
#include "base/system_win.h"
#include "base/window_win.h"
#include "tests/win/win_test_util.h"
#include "ui/message_box_win.h"

namespace rv {
namespace {

constexpr DWORD kBoxWaitMs = 20000;

HWND BoxOf(DWORD thread) { return test::ThreadWindowOfClass(thread, "VMsgBox"); }

size_t ButtonCount(HWND box) {
    size_t n = 0;
    for (HWND b = FindWindowExA(box, nullptr, "Button", nullptr); b; b = FindWindowExA(box, b, "Button", nullptr)) ++n;
    return n;
}

// The box of `thread` once it is complete (visible, with its buttons when
// it has any); null when none shows up in time. The box shows before its
// buttons are all made: with buttons, it counts as complete once their
// number holds still.
HWND WaitForBox(DWORD thread, bool withButtons) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kBoxWaitMs) {
        HWND box = BoxOf(thread);
        if (box && IsWindowVisible(box)) {
            if (!withButtons) return box;
            const size_t seen = ButtonCount(box);
            Sleep(50);
            if (seen > 0 && ButtonCount(box) == seen) return box;
        }
        Sleep(10);
    }
    return nullptr;
}

std::vector<HWND> ButtonsLeftToRight(HWND box) {
    std::vector<HWND> buttons;
    for (HWND b = FindWindowExA(box, nullptr, "Button", nullptr); b; b = FindWindowExA(box, b, "Button", nullptr))
        buttons.push_back(b);
    auto left = [](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return r.left;
    };
    std::sort(buttons.begin(), buttons.end(), [&](HWND a, HWND b) { return left(a) < left(b); });
    return buttons;
}

// Keys go where the keyboard would send them: the window with the focus;
// the title bar's messages go to the box.
HWND FocusOf(HWND box) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
    return info.hwndFocus ? info.hwndFocus : box;
}

// Runs `act` on the box from a second thread while the calling thread
// shows it; joins at the end of the scope.
class BoxDriver {
public:
    explicit BoxDriver(std::function<void(HWND)> act, bool withButtons = true)
        : thread_([act, withButtons, boxThread = GetCurrentThreadId()] {
              if (HWND box = WaitForBox(boxThread, withButtons)) act(box);
          }) {}
    ~BoxDriver() { thread_.join(); }

private:
    std::thread thread_;
};

struct Step {
    UINT message;  // BM_CLICK: click button number `wParam`
    WPARAM wParam;
};

void Perform(HWND box, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.message == BM_CLICK)
            SendMessageA(ButtonsLeftToRight(box).at(step.wParam), BM_CLICK, 0, 0);
        else if (step.message == WM_KEYDOWN || step.message == WM_SYSCHAR)
            PostMessageA(FocusOf(box), step.message, step.wParam, 0);
        else
            PostMessageA(box, step.message, step.wParam, 0);
    }
}

TEST(MarkupMessageBoxWindow, KeysAndClicksAnswerWithTheButtonCodes) {
    const BoxSettings boxes;
    const Step closeBox{WM_CLOSE, 0};
    struct Case {
        const char* name;
        uint32_t style;
        std::vector<Step> steps;
        int expected;
    } cases[] = {
        {"N in Yes/No", MB_YESNO, {{WM_KEYDOWN, 'N'}}, IDNO},
        {"Alt+Y in Yes/No", MB_YESNO, {{WM_SYSCHAR, 'y'}}, IDYES},
        {"Enter on the first button", MB_YESNO, {{WM_KEYDOWN, VK_RETURN}}, IDYES},
        {"Enter on the second default", MB_YESNO | MB_DEFBUTTON2, {{WM_KEYDOWN, VK_RETURN}}, IDNO},
        {"Tab then Enter", MB_YESNO, {{WM_KEYDOWN, VK_TAB}, {WM_KEYDOWN, VK_RETURN}}, IDNO},
        {"Left wraps to the last", MB_YESNOCANCEL, {{WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_RETURN}}, IDCANCEL},
        {"Escape does nothing", MB_YESNO, {{WM_KEYDOWN, VK_ESCAPE}, {WM_KEYDOWN, 'N'}}, IDNO},
        {"click Retry", MB_ABORTRETRYIGNORE, {{BM_CLICK, 1}}, IDRETRY},
        {"close message", MB_YESNO, {closeBox}, 0},
        {"close box of the title bar", MB_OKCANCEL, {{WM_SYSCOMMAND, SC_CLOSE}}, 0},
    };
    for (const Case& c : cases) {
        int result = -1;
        {
            const BoxDriver driver([&](HWND box) { Perform(box, c.steps); });
            result = MarkupMessageBox(boxes, nullptr, "Question?", "Confirm", 0, c.style | MB_ICONQUESTION, 0);
        }
        EXPECT_EQ(result, c.expected) << c.name;
        EXPECT_EQ(BoxOf(GetCurrentThreadId()), nullptr) << c.name;
    }
}

TEST(MarkupMessageBoxWindow, TimeOutClosesWithTheFirstButton) {
    const BoxSettings boxes;
    const DWORD start = GetTickCount();
    EXPECT_EQ(MarkupMessageBox(boxes, nullptr, "Closing soon", "Attention", 5000, kStyleWarning, 0), IDOK);
    EXPECT_GE(GetTickCount() - start, 4500u);  // the time-out, not an early close
}

TEST(MarkupMessageBoxWindow, OwnerIsDisabledWhileOpenAndEnabledAfterwards) {
    const BoxSettings boxes;
    HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);
    bool enabledWhileOpen = true;
    HWND boxOwner = nullptr;
    int result = -1;
    {
        const BoxDriver driver([&](HWND box) {
            enabledWhileOpen = IsWindowEnabled(owner) != FALSE;
            boxOwner = GetWindow(box, GW_OWNER);
            Perform(box, {{WM_KEYDOWN, 'N'}});
        });
        result = MarkupMessageBox(boxes, nullptr, "Text", "Confirm", 0, kStyleYesNo, 0);
    }
    EXPECT_EQ(result, IDNO);
    EXPECT_FALSE(enabledWhileOpen);
    EXPECT_EQ(boxOwner, owner);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    DestroyWindow(owner);
}

bool IsBold(HWND text, int start, int end) {
    CHARRANGE range{start, end};
    SendMessageA(text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    SendMessageA(text, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
}

TEST(MarkupMessageBoxWindow, ConfirmShowsTheDefaultCaptionAsABoldHeading) {
    const BoxSettings boxes;
    std::string title, text;
    bool headingBold = false, bodyBold = true, runBold = false;
    bool yes = false;
    {
        const BoxDriver driver([&](HWND box) {
            HWND edit = FindWindowExA(box, nullptr, RICHEDIT_CLASS10A, nullptr);
            char buffer[256] = {};
            GetWindowTextA(box, buffer, sizeof buffer);
            title = buffer;
            SendMessageA(edit, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
            text = buffer;
            headingBold = IsBold(edit, 0, 7);
            bodyBold = IsBold(edit, 11, 16);
            runBold = IsBold(edit, 17, 20);
            Perform(box, {{WM_SYSCHAR, 'Y'}});
        });
        yes = ConfirmYesNo(boxes, nullptr, "Go on <b>now</b>?");
    }
    EXPECT_TRUE(yes);
    EXPECT_EQ(title, "Confirm");  // the title keeps the caption's own case
    EXPECT_EQ(text, "CONFIRM\r\n\r\nGo on now?\r\n");
    EXPECT_TRUE(headingBold);
    EXPECT_FALSE(bodyBold);
    EXPECT_TRUE(runBold);
}

// What the layout tests look at: the box's frame, the text control's size,
// the client area and the buttons in client coordinates.
struct BoxGeometry {
    RECT frame{};
    Size text{0, 0}, client{0, 0};
    std::vector<RECT> buttons;
};

BoxGeometry Measure(HWND box) {
    BoxGeometry g;
    RECT r;
    GetWindowRect(box, &g.frame);
    GetWindowRect(FindWindowExA(box, nullptr, RICHEDIT_CLASS10A, nullptr), &r);
    g.text = {r.right - r.left, r.bottom - r.top};
    GetClientRect(box, &r);
    g.client = {r.right, r.bottom};
    for (HWND b : ButtonsLeftToRight(box)) {
        GetWindowRect(b, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
        g.buttons.push_back(r);
    }
    return g;
}

// Every length is the 96-dpi design one scaled to `dpi`.
void ExpectWideBoxAt(const BoxGeometry& g, int dpi) {
    const auto px = [dpi](int design) { return ScaleToDpi(design, dpi); };
    EXPECT_EQ(g.text.width, px(600) + px(10)) << dpi;  // no line wider than 600 design pixels, plus 10
    ASSERT_EQ(g.buttons.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(g.buttons[i].left, g.client.width - px(80) - px(70) * static_cast<int>(2 - i)) << dpi << " " << i;
        EXPECT_EQ(g.buttons[i].top, g.client.height - px(29)) << dpi << " " << i;
        EXPECT_EQ(g.buttons[i].right - g.buttons[i].left, px(70)) << dpi << " " << i;
        EXPECT_EQ(g.buttons[i].bottom - g.buttons[i].top, px(23)) << dpi << " " << i;
    }
}

// Also run in a prefix of another display resolution, which RV_EXPECT_DPI
// names.
TEST(MarkupMessageBoxWindow, LongLineAndButtonLayout) {
    const BoxSettings boxes;
    BoxGeometry shown;
    {
        const BoxDriver driver([&](HWND box) {
            shown = Measure(box);
            Perform(box, {{WM_CLOSE, 0}});
        });
        MarkupMessageBox(boxes, OwnerWithoutHeading(), std::string(400, 'W'), "Wide", 0, MB_YESNOCANCEL, 0);
    }
    const int dpi = static_cast<int>(ToInt64(EnvironmentValue("RV_EXPECT_DPI"), 96));
    EXPECT_EQ(ScreenDpi(), dpi);
    ExpectWideBoxAt(shown, dpi);
}

// Moved to a monitor of twice the scale, the box is laid out again at its
// resolution, at the place the system suggests.
TEST(MarkupMessageBoxWindow, MovingToAnotherScaleLaysTheBoxOutAgain) {
    const BoxSettings boxes;
    const int dpi = ScreenDpi() * 2;
    BoxGeometry moved;
    {
        const BoxDriver driver([&](HWND box) {
            RECT suggested{20, 30, 900, 500};
            SendMessageA(box, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            moved = Measure(box);
            Perform(box, {{WM_CLOSE, 0}});
        });
        MarkupMessageBox(boxes, OwnerWithoutHeading(), std::string(400, 'W'), "Wide", 0, MB_YESNOCANCEL, 0);
    }
    EXPECT_EQ(moved.frame.left, 20);
    EXPECT_EQ(moved.frame.top, 30);
    ExpectWideBoxAt(moved, dpi);
}

TEST(MarkupMessageBoxWindow, AutoPlayQueryIsCancelledWhileOn) {
    LRESULT answer = 0;
    BoxSettings boxes;
    boxes.EnableAutoPlayCancel(true);
    const UINT query = boxes.AutoPlayCancelMessage();
    ASSERT_NE(query, 0u);
    {
        const BoxDriver driver([&](HWND box) {
            answer = SendMessageA(box, query, 0, 0);
            Perform(box, {{WM_CLOSE, 0}});
        });
        MarkupMessageBox(boxes, nullptr, "Insert the next disk", "Attention", 0, MB_OK, 0);
    }
    boxes.EnableAutoPlayCancel(false);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(boxes.AutoPlayCancelMessage(), 0u);
}

}  // namespace
}  // namespace rv
