#include "ui/message_box_win.h"

#include <richedit.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/window_win.h"
#include "ui/language_win.h"
#include "ui/rich_box_win.h"

namespace rv {

namespace {

constexpr const char* kClassName = "VMsgBox";
constexpr const char* kOwnIcon = "MainIcon";
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr DWORD kBoxExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
constexpr DWORD kBoxStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | ES_WANTRETURN | ES_READONLY | ES_MULTILINE;
constexpr DWORD kAfterBoxMs = 100;

// Loaded at the first box and kept until the program ends; 0 when the
// library is missing, and the boxes then show no text.
void LoadRichEditOnce() { static Library richEdit(LoadLibraryA(kRichEditLibrary)); }

Size WindowSize(HWND window) {
    RECT r{};
    if (!window || !GetWindowRect(window, &r)) return {0, 0};
    return {r.right - r.left, r.bottom - r.top};
}

Size ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right, r.bottom};
}

void Fill(HDC dc, const Rect& area, HBRUSH brush) {
    const RECT r{area.left, area.top, area.left + area.width, area.top + area.height};
    FillRect(dc, &r, brush);
}

class MarkupBox {
public:
    MarkupBox(const BoxSettings& settings, int timeoutMs, uint32_t style, const std::string& labels)
        : settings_(settings), timeoutMs_(timeoutMs), style_(style), buttons_(ButtonsOf(style, labels)) {}
    MarkupBox(const MarkupBox&) = delete;
    MarkupBox& operator=(const MarkupBox&) = delete;

    int Run(HWND owner, const std::string& markup, const std::string& caption);

private:
    friend LRESULT CALLBACK BoxProc<MarkupBox>(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND window) { box_ = window; }
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint();
    void Close();

    void UseDpi(int dpi);
    void MoveToDpi(int dpi, const RECT& suggested);
    void CreateTextControl(const std::string& markup);
    void SetMarkupText(const PlainText& plain);
    struct Measurement {
        Size size;
        int lineHeight;
    };
    Measurement MeasureText(const std::string& text);
    void ResizeText(int width, int height);
    void FitText(const PlainText& plain);
    Size OuterSize() const;
    void PlaceBoxAndText(POINT topLeft);
    void CreateButtons();
    void PlaceButtons();
    void RunModalLoop();
    void RestoreOwner();

    bool FilterKey(const MSG& msg);
    int FocusedButton() const;
    void FocusButton(int index);
    void Choose(int index);

    const BoxSettings& settings_;
    const int timeoutMs_;
    const uint32_t style_;
    const std::vector<BoxButton> buttons_;
    HINSTANCE instance_ = GetModuleHandleA(nullptr);
    GdiObject font_;
    HWND box_ = nullptr;
    HWND text_ = nullptr;
    HWND disabled_ = nullptr;
    std::vector<HWND> buttonWindows_;
    IconHandle icon_;
    PlainText plain_;
    int dpi_ = kDesignDpi;
    Size request_{0, 0};
    int result_ = kClosedNoButton;
    bool done_ = false;
};

int MarkupBox::Run(HWND owner, const std::string& markup, const std::string& caption) {
    LoadRichEditOnce();
    disabled_ = GetActiveWindow();
    if (disabled_) EnableWindow(disabled_, FALSE);
    // This showing's own reference: the box works even when the one kept for
    // the run is given back first at program end.
    const Library richEdit(LoadLibraryA(kRichEditLibrary));
    const BoxClass boxClass(kClassName, BoxProc<MarkupBox>, instance_);
    CreateWindowExA(kBoxExStyle, kClassName, caption.c_str(), kBoxStyle, -100, -100, 10, 10, owner, nullptr, instance_,
                    this);
    if (box_) {
        UseDpi(WindowDpi(box_));
        CreateTextControl(markup);
        const RECT area = WorkArea();
        const Size box = OuterSize();
        // Centred, but a box larger than the work area keeps its caption
        // and left edge on the screen.
        PlaceBoxAndText({std::max(area.left, area.left + CentredOffset(area.right - area.left, box.width)),
                         std::max(area.top, area.top + CentredOffset(area.bottom - area.top, box.height))});
        CreateButtons();
        RunModalLoop();
    }
    RestoreOwner();
    return result_;
}

LRESULT MarkupBox::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    const UINT autoPlay = settings_.AutoPlayCancelMessage();
    if (autoPlay != 0 && msg == autoPlay) return 1;
    switch (msg) {
        case WM_CREATE:
            if (timeoutMs_ > 0) SetTimer(box_, kTimeoutTimer, static_cast<UINT>(timeoutMs_), nullptr);
            break;
        case WM_PAINT: Paint(); return 0;
        case WM_DPICHANGED: MoveToDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == EN_REQUESTRESIZE) {
                const RECT& r = reinterpret_cast<const REQRESIZE*>(lParam)->rc;
                request_ = {r.right - r.left, r.bottom - r.top};
            }
            break;
        }
        case WM_COMMAND:
            for (size_t i = 0; i < buttonWindows_.size(); ++i)
                if (reinterpret_cast<HWND>(lParam) == buttonWindows_[i] && HIWORD(wParam) == BN_CLICKED)
                    Choose(static_cast<int>(i));
            break;
        case WM_TIMER:
            if (wParam == kTimeoutTimer) {
                result_ = buttons_.empty() ? kClosedNoButton : buttons_.front().code;
                PostMessageA(box_, WM_CLOSE, 0, 0);
            }
            break;
        case WM_CLOSE: Close(); break;
        case WM_DESTROY: done_ = true; return 1;
    }
    return DefWindowProcA(box_, msg, wParam, lParam);
}

void MarkupBox::Paint() {
    const PaintDC paint(box_);
    const BoxPaintLayout layout = PaintLayoutOf(ClientSize(box_), dpi_);
    Fill(paint.get(), layout.window, GetSysColorBrush(COLOR_WINDOW));
    Fill(paint.get(), layout.shadowLine, GetSysColorBrush(COLOR_3DDKSHADOW));
    Fill(paint.get(), layout.lightLine, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Fill(paint.get(), layout.buttonBand, GetSysColorBrush(COLOR_BTNFACE));
    const GdiObject band(CreateSolidBrush(RGB(kLeftBandRed, kLeftBandGreen, kLeftBandBlue)));
    Fill(paint.get(), layout.leftBand, static_cast<HBRUSH>(band.get()));
    const Rect icon = IconRect(dpi_);
    if (icon_)
        DrawIconEx(paint.get(), icon.left, icon.top, icon_.get(), icon.width, icon.height, 0, nullptr, DI_NORMAL);
}

// The font and the icon at the resolution; the old font is deleted only
// once no control uses it.
void MarkupBox::UseDpi(int dpi) {
    dpi_ = dpi;
    GdiObject font(CreateFontA(-PointsToPixels(settings_.fontSize(), dpi), 0, 0, 0, 0, FALSE, FALSE, FALSE,
                               static_cast<BYTE>(settings_.charset()), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, FF_SWISS, settings_.fontName().c_str()));
    if (text_) SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    for (HWND button : buttonWindows_) SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);
    const int size = IconRect(dpi).width, system = SystemIconOf(style_);
    icon_ = system ? SystemIcon(system, size) : ProgramIcon(kOwnIcon, size);
}

// A move to a monitor of another scale: everything is measured and placed
// anew, at the place the system suggests.
void MarkupBox::MoveToDpi(int dpi, const RECT& suggested) {
    UseDpi(dpi);
    if (text_) {
        SetMarkupText(plain_);
        FitText(plain_);
    }
    PlaceBoxAndText({suggested.left, suggested.top});
    PlaceButtons();
    InvalidateRect(box_, nullptr, TRUE);
}

// Before the box goes, so that activation returns to the owner rather than
// to some other program's window.
void MarkupBox::Close() {
    RestoreOwner();
    if (timeoutMs_ > 0) KillTimer(box_, kTimeoutTimer);
}

void MarkupBox::RestoreOwner() {
    if (!disabled_) return;
    EnableWindow(disabled_, TRUE);
    SetActiveWindow(disabled_);
    SetFocus(disabled_);
    disabled_ = nullptr;
}

void MarkupBox::CreateTextControl(const std::string& markup) {
    const DWORD exStyle = (style_ & kStyleRtlReading) ? WS_EX_RTLREADING : 0;
    const DWORD style = kTextStyle | ((style_ & kStyleRight) ? ES_RIGHT : 0);
    text_ = CreateWindowExA(exStyle, RICHEDIT_CLASS10A, "", style, 0, 0, 0, 0, box_, nullptr, instance_, nullptr);
    if (!text_) return;
    SendMessageA(text_, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SendMessageA(text_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
    plain_ = ConvertMarkup(markup);
    SetMarkupText(plain_);
    FitText(plain_);
}

void MarkupBox::SetMarkupText(const PlainText& plain) {
    SendMessageA(text_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(plain.text.c_str()));
    for (const BoldRange& run : plain.bold) {
        CHARRANGE range{run.start, run.end};
        SendMessageA(text_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
        format.dwEffects = CFE_BOLD;
        SendMessageA(text_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    CHARRANGE start{0, 0};
    SendMessageA(text_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
}

MarkupBox::Measurement MarkupBox::MeasureText(const std::string& text) {
    const WindowDC dc(text_);
    const SelectedObject selected(dc.get(), font_.get());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.get(), &metrics);
    std::vector<int> extents;
    for (const std::string& line : MeasuredLines(text)) {
        SIZE extent{};
        GetTextExtentPoint32A(dc.get(), line.data(), static_cast<int>(line.size()), &extent);
        extents.push_back(extent.cx);
    }
    const int lineHeight = LineHeight(metrics.tmHeight, metrics.tmExternalLeading, settings_.fontName());
    return {TextBlockSize(extents, lineHeight, dpi_), lineHeight};
}

void MarkupBox::ResizeText(int width, int height) {
    SetWindowPos(text_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MarkupBox::FitText(const PlainText& plain) {
    const Measurement measured = MeasureText(plain.text);
    const Size size = measured.size;
    ResizeText(size.width + ScaleToDpi(kWidenStep, dpi_), size.height);
    if (plain.bold.empty()) return;
    const int unwrapped = UnwrappedHeight(plain.text, size.height, measured.lineHeight);
    const int width = WidthFittingBold(size.width, unwrapped, [this, size](int tryWidth) {
        ResizeText(tryWidth, size.height);
        // Asked for explicitly: a resize alone need not make the control
        // report, and a stale request would pass every width.
        SendMessageA(text_, EM_REQUESTRESIZE, 0, 0);
        return request_;
    });
    ResizeText(width, size.height);
}

// The box's size follows from the text control's.
Size MarkupBox::OuterSize() const {
    const FrameMetrics frame{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME),
                             GetSystemMetrics(SM_CYCAPTION)};
    return BoxSize(WindowSize(text_), frame, dpi_);
}

// The box is sized before the text control is placed in its client area;
// `topLeft` is where the box goes.
void MarkupBox::PlaceBoxAndText(POINT topLeft) {
    const Size box = OuterSize();
    SetWindowPos(box_, nullptr, topLeft.x, topLeft.y, box.width, box.height, SWP_SHOWWINDOW);
    if (!text_) return;
    const Rect place = TextControlRect(ClientSize(box_), WindowSize(text_), dpi_);
    SetWindowPos(text_, nullptr, place.left, place.top, place.width, place.height, SWP_NOZORDER | SWP_SHOWWINDOW);
}

void MarkupBox::CreateButtons() {
    const int count = static_cast<int>(buttons_.size());
    for (int i = 0; i < count; ++i) {
        HWND button = CreateWindowExA(0, "Button", buttons_[i].label.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0,
                                      0, 0, 0, box_, nullptr, instance_, nullptr);
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
        SetWindowLongPtrA(button, GWLP_USERDATA, buttons_[i].code);
        buttonWindows_.push_back(button);
    }
    PlaceButtons();
    if (count > 0) FocusButton(DefaultButtonIndex(style_, count));
}

void MarkupBox::PlaceButtons() {
    const Size client = ClientSize(box_);
    const int count = static_cast<int>(buttonWindows_.size());
    for (int i = 0; i < count; ++i) {
        const Rect r = ButtonRect(i, count, client, dpi_);
        SetWindowPos(buttonWindows_[i], nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MarkupBox::RunModalLoop() {
    MSG msg;
    while (!done_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT belongs to the program's own loop: end the box with 0
            // and hand the message on.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            DestroyWindow(box_);
            break;
        }
        if (FilterKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool MarkupBox::FilterKey(const MSG& msg) {
    if (msg.message == WM_SYSCHAR) {
        const int button = AltKeyButton(static_cast<char>(msg.wParam), buttons_);
        if (button < 0) return false;
        Choose(button);
        return true;
    }
    if (msg.message != WM_KEYDOWN) return false;
    const KeyDecision decision = KeyDownDecision(static_cast<unsigned>(msg.wParam), FocusedButton(), buttons_);
    if (decision.action == KeyAction::MoveFocus) FocusButton(decision.button);
    if (decision.action != KeyAction::Choose) return false;
    Choose(decision.button);
    return true;
}

int MarkupBox::FocusedButton() const {
    const HWND focus = GetFocus();
    for (size_t i = 0; i < buttonWindows_.size(); ++i)
        if (buttonWindows_[i] == focus) return static_cast<int>(i);
    return -1;
}

void MarkupBox::FocusButton(int index) {
    SetFocus(buttonWindows_[index]);
    for (HWND button : buttonWindows_) SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(buttonWindows_[index], BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void MarkupBox::Choose(int index) {
    result_ = static_cast<int>(GetWindowLongPtrA(buttonWindows_[index], GWLP_USERDATA));
    PostMessageA(box_, WM_CLOSE, 0, 0);
}

}  // namespace

void BoxSettings::SetFont(const std::string& fontName, int fontSize, int charset) {
    fontName_ = fontName;
    charset_ = charset;
    if (fontSize != 0) fontSize_ = fontSize;
}

void BoxSettings::EnableAutoPlayCancel(bool on) {
    autoPlayMessage_ = on ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;
}

void ErrorBox(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption, int charset,
              const std::string& buttons) {
    MarkupMessageBox(settings, owner, text, CaptionOrDefault(caption, kCaptionError), 0, kStyleError, charset, buttons);
}

void WarningBox(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption,
                int timeoutMs, int charset, const std::string& buttons) {
    MarkupMessageBox(settings, owner, text, CaptionOrDefault(caption, kCaptionAttention), timeoutMs, kStyleWarning,
                     charset, buttons);
}

bool ConfirmYesNo(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption,
                  int charset, const std::string& buttons) {
    return MarkupMessageBox(settings, owner, text, CaptionOrDefault(caption, kCaptionConfirm), 0, kStyleYesNo, charset,
                            buttons) == kButtonYes;
}

bool ConfirmOkCancel(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption,
                     int charset, const std::string& buttons) {
    return MarkupMessageBox(settings, owner, text, CaptionOrDefault(caption, kCaptionConfirm), 0, kStyleOkCancel,
                            charset, buttons) == kButtonOk;
}

int MarkupMessageBox(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption,
                     int timeoutMs, uint32_t style, int charset, const std::string& buttons) {
    const bool withHeading = owner == nullptr;
    if (withHeading || owner == OwnerWithoutHeading()) owner = GetActiveWindow();
    const int code = ShowMarkupWindow(settings, owner, withHeading ? WithHeading(text, caption) : text, caption,
                                      timeoutMs, StyleForCharset(style, charset) | kStyleModalTopmost, buttons);
    // Lets the windows uncovered by the box repaint before the caller goes on.
    WaitPumping(kAfterBoxMs, 0);
    return code;
}

int ShowMarkupWindow(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption,
                     int timeoutMs, uint32_t style, const std::string& buttons) {
    MarkupBox box(settings, timeoutMs, style, buttons);
    return box.Run(owner, text, caption);
}

void FoldersNotFoundBoxes(const BoxSettings& settings, const std::vector<std::string>& shownNames) {
    for (const std::string& name : shownNames)
        ErrorBox(settings, nullptr, LanguageStringArg("RunTimeDir_01", "RunTimeDir(<?>)<P><P>Not Found!", name));
}

}  // namespace rv
