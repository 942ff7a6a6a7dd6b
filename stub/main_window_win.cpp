#include "stub/main_window_win.h"

#include <commctrl.h>

#include <utility>

#include "autoupdate/agent_win.h"
#include "autoupdate/update_cycle_win.h"
#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/switches.h"
#include "base/window_win.h"
#include "env/file_util_win.h"
#include "env/owner_link_win.h"
#include "env/trace_win.h"
#include "net/http_win.h"
#include "stub/main_window.h"
#include "stub/run_mode.h"
#include "stub/setup_step_win.h"
#include "ui/message_box_win.h"

namespace rv {

namespace {

constexpr UINT_PTR kStartTimer = 1;
constexpr int kStatusId = 101, kProgressId = 102, kActivityId = 103, kDetailId = 104;
constexpr int kActivitySteps = 5;

MainWindowState* StateOf(HWND window) {
    return reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND CreateChild(HWND parent, const char* cls, const Box& b, DWORD style, DWORD exStyle, int id) {
    return CreateWindowExA(exStyle, cls, "", style, b.x, b.y, b.width, b.height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

GdiObject MakeFont(const std::string& name, int charset, int height) {
    return GdiObject(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, static_cast<DWORD>(charset),
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                 name.c_str()));
}

void Place(HWND control, const Box& b) {
    SetWindowPos(control, nullptr, b.x, b.y, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// Every child, the status font and the icon at the window's resolution and
// the status text's character set.
void ApplyLayout(HWND window, MainWindowState& state) {
    const MainWindowLayout layout = MainWindowLayoutOf(state.charset, state.dpi);
    HWND status = GetDlgItem(window, kStatusId), detail = GetDlgItem(window, kDetailId);
    for (HWND line : {status, detail}) {
        SetWindowLongPtrA(line, GWL_EXSTYLE, static_cast<LONG_PTR>(layout.statusExStyle));
        SetWindowLongPtrA(line, GWL_STYLE, static_cast<LONG_PTR>(layout.statusStyle));
    }
    Place(status, layout.status);
    Place(detail, layout.detail);
    Place(GetDlgItem(window, kProgressId), layout.progress);
    Place(GetDlgItem(window, kActivityId), layout.activity);
    const int height =
        state.points >= 0 ? PointsToPixels(state.points, state.dpi) : ScaleToDpi(kFirstStatusFontHeight, state.dpi);
    // The controls let go of the old font before it is deleted.
    GdiObject font = MakeFont(state.fontName, state.charset, -height);
    for (HWND line : {status, detail}) SendMessageA(line, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    state.statusFont = std::move(font);
    state.icon = ProgramIcon("MainIcon", layout.icon.width);
    InvalidateRect(window, nullptr, TRUE);
}

void OnCreate(HWND window, MainWindowState& state) {
    const Box none{0, 0, 0, 0};
    CreateChild(window, "Static", none, WS_CHILD | WS_VISIBLE, 0, kStatusId);
    CreateChild(window, PROGRESS_CLASSA, none, WS_CHILD | WS_VISIBLE, 0, kProgressId);
    CreateChild(window, PROGRESS_CLASSA, none, WS_CHILD, 0, kActivityId);
    CreateChild(window, "Static", none, WS_CHILD | WS_VISIBLE, 0, kDetailId);
    SetTimer(window, kStartTimer, 1000, nullptr);
    state.dpi = WindowDpi(window);
    ApplyLayout(window, state);
}

// A move to a monitor of another scale: the system suggests the new frame.
void OnDpiChanged(HWND window, MainWindowState& state, int dpi, const RECT& suggested) {
    state.dpi = dpi;
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyLayout(window, state);
}

void OnPaint(HWND window, const MainWindowState& state) {
    const PaintDC dc(window);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
    const Box at = MainWindowLayoutOf(state.charset, state.dpi).icon;
    if (state.icon) DrawIconEx(dc.get(), at.x, at.y, state.icon.get(), at.width, at.height, 0, nullptr, DI_NORMAL);
}

// The first close request during a transfer only cancels it; a second one
// closes the window.
bool OnClose(StubContext& ctx) {
    TraceLog(".. CloseMainWindow() - Start");
    const bool close = ctx.downloadCancel;
    ctx.downloadCancel = true;
    TraceLog(".. CloseMainWindow() - End");
    return close;
}

void OnDestroy(StubContext& ctx) {
    TraceLog(".. DestroyMainWindow() - Start");
    ctx.downloadCancel = true;
    ctx.setupFolder.Remove();
    PostQuitMessage(0);
    ctx.windowDestroyed = true;
    TraceLog(".. DestroyMainWindow() - End");
}

void OnLocalMessage(HWND window, StubContext& ctx, WPARAM replyWindow, LPARAM replyMessage) {
    ctx.owner.Connect(reinterpret_cast<HWND>(replyWindow), static_cast<UINT>(replyMessage));
    ctx.owner.Notify(notice::kWindow, reinterpret_cast<LPARAM>(window));
    ctx.owner.Notify(notice::kAgentMessage, kMsgAgent);
}

void OnTimer(HWND window, StubContext& ctx) {
    MainWindowDisplay display(window);
    // The package decides: an agent's package never runs a setup, whatever
    // name its file was given.
    if (ctx.package.IsAutoUpdateProgram())
        AgentTick(ctx, ctx.agent, display);
    else
        RunSetupStartupStep(ctx, display);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    MainWindowState* state = StateOf(window);
    if (!state) return DefWindowProcA(window, message, wParam, lParam);
    StubContext& ctx = *state->ctx;
    switch (message) {
        case WM_CREATE: OnCreate(window, *state); break;
        case WM_PAINT: OnPaint(window, *state); return 0;
        case WM_DPICHANGED:
            OnDpiChanged(window, *state, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_TIMER: OnTimer(window, ctx); return 0;
        case WM_CLOSE:
            if (!OnClose(ctx)) return 0;
            break;
        case WM_DESTROY: OnDestroy(ctx); break;
        case kMsgShutDown: ctx.agent.tickBudget = static_cast<long long>(wParam); return 0;
        case kMsgLocal: OnLocalMessage(window, ctx, wParam, lParam); return 0;
        case kMsgAgent:
            return AgentMessage(ctx, ctx.agent, static_cast<long long>(wParam), static_cast<long long>(lParam));
        default:
            if (message != 0 && message == ctx.boxes.AutoPlayCancelMessage()) return 1;
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterMainClass(const std::string& className) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(wc.hInstance, "MainIcon");
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = className.c_str();
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateMainWindow(StubContext& ctx, MainWindowState& state) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (!RegisterMainClass(ctx.className)) return nullptr;
    const RECT work = WorkArea();
    const Box size = MainWindowLayoutOf(ctx.package.Charset(), ScreenDpi()).window;
    const Box at =
        CenteredIn(Box{work.left, work.top, work.right - work.left, work.bottom - work.top}, size.width, size.height);
    state.ctx = &ctx;
    ctx.boxes.SetFont(ctx.package.FontName(), ctx.package.FontSize(), ctx.package.Charset());
    return CreateWindowExA(0, ctx.className.c_str(), ctx.package.Text("s0").c_str(), kMainWindowStyle, at.x, at.y,
                           at.width, at.height, nullptr, nullptr, GetModuleHandleA(nullptr), &state);
}

void RunMessageLoop(StubContext& ctx) {
    MSG msg;
    while (!ctx.windowDestroyed && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void RunMainWindow(StubContext& ctx) {
    const long long sleep = SwitchNumberIn(ctx.commandTail, "/SleepX=", -1);
    if (sleep != -1) SetStartDelay(ctx.agent, sleep);
    MainWindowState state;
    HWND window = CreateMainWindow(ctx, state);
    if (window) {
        ShowWindow(window, SW_HIDE);
        RunMessageLoop(ctx);
        KillTimer(window, kStartTimer);
    }
    ctx.downloadCancel = true;
    ReleaseInternetLibrary();
    ctx.owner.Notify(notice::kClosing, 0);
}

void MainWindowDisplay::SetStatusLine(const std::string& text) { SetDlgItemTextA(window_, kStatusId, text.c_str()); }

void MainWindowDisplay::SetDetailLine(const std::string& text) { SetDlgItemTextA(window_, kDetailId, text.c_str()); }

void MainWindowDisplay::SetStatusText(const std::string& text, const std::string& fontName, int charset, int points) {
    if (MainWindowState* state = StateOf(window_)) {
        state->fontName = fontName;
        state->charset = charset;
        state->points = points;
        ApplyLayout(window_, *state);
    }
    SetDlgItemTextA(window_, kStatusId, text.c_str());
}

void MainWindowDisplay::ShowActivityBar(bool show) {
    ShowWindow(GetDlgItem(window_, kActivityId), show ? SW_SHOW : SW_HIDE);
}

void MainWindowDisplay::StartProgress(int range, int position) {
    HWND progress = GetDlgItem(window_, kProgressId), activity = GetDlgItem(window_, kActivityId);
    SendMessageA(progress, PBM_SETRANGE32, 0, range);
    SendMessageA(progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    SendMessageA(progress, PBM_SETSTEP, 1, 0);
    SendMessageA(activity, PBM_SETRANGE32, 0, kActivitySteps);
    SendMessageA(activity, PBM_SETPOS, 0, 0);
    if (MainWindowState* state = StateOf(window_)) state->activityStep = 0;
}

void MainWindowDisplay::StepProgress() {
    SendMessageA(GetDlgItem(window_, kProgressId), PBM_STEPIT, 0, 0);
    MainWindowState* state = StateOf(window_);
    if (!state) return;
    state->activityStep = state->activityStep >= kActivitySteps ? 0 : state->activityStep + 1;
    SendMessageA(GetDlgItem(window_, kActivityId), PBM_SETPOS, static_cast<WPARAM>(state->activityStep), 0);
}

}  // namespace rv
