#include "ui/inform_dialog_win.h"

#include <richedit.h>

#include "base/handle_win.h"
#include "base/system_win.h"
#include "base/window_win.h"
#include "ui/inform_dialog.h"
#include "ui/rich_box_win.h"

namespace rv {

namespace {

constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME;
constexpr DWORD kWindowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_WANTRETURN | ES_READONLY | ES_MULTILINE;

GdiObject SwissFont(int height, int charset, const std::string& face) {
    return GdiObject(CreateFontA(height, 0, 0, 0, 0, FALSE, FALSE, FALSE, static_cast<BYTE>(charset),
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, face.c_str()));
}

void Fill(HDC dc, const Rect& area, int color) {
    const RECT r{area.left, area.top, area.left + area.width, area.top + area.height};
    FillRect(dc, &r, GetSysColorBrush(color));
}

void Place(HWND child, const Rect& r) {
    if (child) SetWindowPos(child, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_SHOWWINDOW);
}

class InformWindow {
public:
    InformWindow(const InformRequest& request, std::string link)
        : request_(request),
          link_(std::move(link)),
          buttonFont_(SwissFont(-PointsToPixels(request.fontSize), request.charset, request.fontName)),
          textFont_(SwissFont(kInformTextFontHeight, request.charset, InformTextFace(request.fontName))) {}
    InformWindow(const InformWindow&) = delete;
    InformWindow& operator=(const InformWindow&) = delete;

    // False when the window could not be made.
    bool Run(HWND owner);

private:
    friend LRESULT CALLBACK BoxProc<InformWindow>(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND window) { window_ = window; }
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    InformLayout Layout() const;
    void PlaceChildren();
    void Paint();
    void CreateTextControl();
    void CreateLinkButton();
    void RunLoop();

    const InformRequest& request_;
    const std::string link_;
    HINSTANCE instance_ = GetModuleHandleA(nullptr);
    // The fonts outlive the window and its children, which use them.
    GdiObject buttonFont_, textFont_;
    HWND window_ = nullptr, text_ = nullptr, button_ = nullptr;
    bool done_ = false;
};

bool InformWindow::Run(HWND owner) {
    // Held until the window is gone; without the library there is no text
    // control and the window shows empty.
    const Library richEdit(LoadLibraryA(kRichEditLibrary));
    const BoxClass windowClass(kInformClassName, BoxProc<InformWindow>, instance_);
    const int x = CentredOffset(GetSystemMetrics(SM_CXSCREEN), request_.width);
    const int y = CentredOffset(GetSystemMetrics(SM_CYSCREEN), request_.height);
    CreateWindowExA(kWindowExStyle, kInformClassName, request_.title.c_str(), kWindowStyle, x, y, request_.width,
                    request_.height, owner, nullptr, instance_, this);
    if (!window_) return false;
    CreateTextControl();
    if (!link_.empty()) CreateLinkButton();
    RunLoop();
    return true;
}

LRESULT InformWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DESTROY: done_ = true; return 1;
        case WM_SIZE: PlaceChildren(); return 0;
        case WM_PAINT: Paint(); return 0;
        case WM_COMMAND:
            // A link the shell cannot open is not reported: the window closes anyway.
            if (button_ && reinterpret_cast<HWND>(lParam) == button_ && HIWORD(wParam) == BN_CLICKED) {
                OpenWithShell(link_, "", SW_SHOW);
                PostMessageA(window_, WM_CLOSE, 0, 0);
            }
            break;
    }
    return DefWindowProcA(window_, msg, wParam, lParam);
}

InformLayout InformWindow::Layout() const {
    RECT client{};
    GetClientRect(window_, &client);
    return InformLayoutOf({client.right, client.bottom}, !link_.empty());
}

void InformWindow::PlaceChildren() {
    const InformLayout layout = Layout();
    Place(text_, layout.text);
    Place(button_, layout.button);
}

void InformWindow::Paint() {
    const PaintDC paint(window_);
    const InformLayout layout = Layout();
    RECT client{};
    GetClientRect(window_, &client);
    Fill(paint.get(), {0, 0, client.right, client.bottom}, COLOR_WINDOW);
    if (link_.empty()) return;
    Fill(paint.get(), layout.line, COLOR_3DDKSHADOW);
    Fill(paint.get(), layout.band, COLOR_BTNFACE);
}

void InformWindow::CreateTextControl() {
    const Rect r = Layout().text;
    const DWORD exStyle = request_.rightToLeft ? WS_EX_RTLREADING : 0;
    const DWORD style = kTextStyle | (request_.rightToLeft ? ES_RIGHT : 0);
    text_ = CreateWindowExA(exStyle, RICHEDIT_CLASS10A, "", style, r.left, r.top, r.width, r.height, window_, nullptr,
                            instance_, nullptr);
    if (!text_) return;
    SendMessageA(text_, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
    SendMessageA(text_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
    SendMessageA(text_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(request_.text.c_str()));
}

void InformWindow::CreateLinkButton() {
    const Rect r = Layout().button;
    button_ = CreateWindowExA(0, "Button", request_.buttonText.c_str(), WS_CHILD | WS_VISIBLE, r.left, r.top, r.width,
                              r.height, window_, nullptr, instance_, nullptr);
    if (!button_) return;
    SendMessageA(button_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), TRUE);
    SetWindowLongPtrA(button_, GWLP_USERDATA, 1);
    SetActiveWindow(window_);
    SetFocus(button_);
    SendMessageA(button_, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void InformWindow::RunLoop() {
    MSG msg;
    while (!done_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT belongs to the program's own loop: close the window
            // and hand the message on.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            DestroyWindow(window_);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int InformDialog(HWND owner, const InformRequest& request) {
    const InformPlan plan = PlanInform(request.text, request.link);
    switch (plan.action) {
        case InformAction::Nothing: return 0;
        case InformAction::OpenLink: OpenWithShell(plan.link, "", SW_SHOW); return 1;
        case InformAction::ShowWindow: break;
    }
    InformWindow window(request, plan.link);
    return window.Run(owner) ? 1 : 0;
}

}  // namespace rv
