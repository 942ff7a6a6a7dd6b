// The stub's main window: status text, progress and activity bars, the
// one-second start timer, the inter-process messages and the message loop.
#pragma once

#include <windows.h>

#include <string>

#include "base/handle_win.h"
#include "package/status_display_win.h"
#include "stub/stub_context.h"

namespace rv {

// Registers the class and runs the window until its loop ends, then cleans
// up: the timer, the download cancel flag, the owner's closing notice.
void RunMainWindow(StubContext& ctx);

// What the window owns; it lives on RunMainWindow's stack (or the tool's)
// for as long as the window, and is found through the window's user data.
struct MainWindowState {
    StubContext* ctx = nullptr;
    int dpi = 96;  // of the window, followed when it moves to another monitor
    // The status font as last asked for; -1 points is the first font.
    std::string fontName = "Tahoma";
    int charset = DEFAULT_CHARSET;
    int points = -1;
    GdiObject statusFont;
    IconHandle icon;
    int activityStep = 0;  // the activity bar's position, 0..5
};

// The parts of RunMainWindow, for tools that show the window themselves.
HWND CreateMainWindow(StubContext& ctx, MainWindowState& state);
void RunMessageLoop(StubContext& ctx);

// The main window as the status display of the steps below the stub.
class MainWindowDisplay final : public StatusDisplay {
public:
    explicit MainWindowDisplay(HWND window) : window_(window) {}
    HWND Window() const override { return window_; }
    void Show(bool show) override { ShowWindow(window_, show ? SW_SHOW : SW_HIDE); }
    void SetStatusText(const std::string& text, const std::string& fontName, int charset, int points) override;
    void SetStatusLine(const std::string& text) override;
    void SetDetailLine(const std::string& text) override;
    void ShowActivityBar(bool show) override;
    void StartProgress(int range, int position) override;
    void StepProgress() override;

private:
    HWND window_;
};

}  // namespace rv
