#include "ui/inform_dialog_win.h"

#include <richedit.h>

#include "base/handle_win.h"
#include "base/numbers.h"
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
    InformWindow(const InformRequest& request, std::string link) : request_(request), link_(std::move(link)) {}
    InformWindow(const InformWindow&) = delete;
    InformWindow& operator=(const InformWindow&) = delete;

    // False when the window could not be made.
    bool Run(HWND owner);

private:
    friend LRESULT CALLBACK BoxProc<InformWindow>(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND window) { window_ = window; }
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    InformLayout Layout() const;
    void UseDpi(int dpi);
    void MoveToDpi(int dpi, const RECT& suggested);
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
    int dpi_ = kDesignDpi;
    bool done_ = false;
};

bool InformWindow::Run(HWND owner) {
    // Held until the window is gone; without the library there is no text
    // control and the window shows empty.
    const Library richEdit(LoadLibraryA(kRichEditLibrary));
    const BoxClass windowClass(kInformClassName, BoxProc<InformWindow>, instance_);
    // The size asked for is a design size; the window shows it at the
    // screen's scale (and follows a move to a monitor of another scale).
    const int width = ScaleToDpi(request_.width, ScreenDpi()), height = ScaleToDpi(request_.height, ScreenDpi());
    const int x = CentredOffset(GetSystemMetrics(SM_CXSCREEN), width);
    const int y = CentredOffset(GetSystemMetrics(SM_CYSCREEN), height);
    CreateWindowExA(kWindowExStyle, kInformClassName, request_.title.c_str(), kWindowStyle, x, y, width, height, owner,
                    nullptr, instance_, this);
    if (!window_) return false;
    UseDpi(WindowDpi(window_));
    CreateTextControl();
    if (!link_.empty()) CreateLinkButton();
    RunLoop();
    return true;
}

LRESULT InformWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DESTROY: done_ = true; return 1;
        case WM_SIZE: PlaceChildren(); return 0;
        case WM_DPICHANGED: MoveToDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
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
    return InformLayoutOf({client.right, client.bottom}, !link_.empty(), dpi_);
}

// Fonts at the resolution, handed to the children there are; the old ones
// are deleted only once no child uses them.
void InformWindow::UseDpi(int dpi) {
    dpi_ = dpi;
    GdiObject buttonFont = SwissFont(-PointsToPixels(request_.fontSize, dpi), request_.charset, request_.fontName);
    GdiObject textFont =
        SwissFont(ScaleToDpi(kInformTextFontHeight, dpi), request_.charset, InformTextFace(request_.fontName));
    if (text_) SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
    if (button_) SendMessageA(button_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), TRUE);
    buttonFont_ = std::move(buttonFont);
    textFont_ = std::move(textFont);
}

// A move to a monitor of another scale: the system suggests the new frame.
void InformWindow::MoveToDpi(int dpi, const RECT& suggested) {
    UseDpi(dpi);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceChildren();
    InvalidateRect(window_, nullptr, TRUE);
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
