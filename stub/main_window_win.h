// The stub's main window: status text, progress and activity bars, the
// one-second start timer, the inter-process messages and the message loop.
#pragma once

#include <windows.h>

#include <string>

#include "net/http_win.h"
#include "stub/stub_context.h"

namespace rv {

// Registers the class and runs the window until its loop ends, then cleans
// up: the timer, the download cancel flag, the owner's closing notice.
void RunMainWindow(StubContext& ctx);

// The parts of RunMainWindow, for tools that show the window themselves.
HWND CreateMainWindow(StubContext& ctx);
void RunMessageLoop(StubContext& ctx);

void SetStatusText(HWND main, const std::string& text, const std::string& fontName, int charset, int points);
// Replaces the status text only, in the font that SetStatusText chose.
void SetStatusLine(HWND main, const std::string& text);
void ShowActivityBar(HWND main, bool show);

// A transfer's progress in the main window: the bars follow it and the
// status line shows the title with the count and rate below it.
class WindowProgress : public DownloadProgress {
public:
    WindowProgress(HWND window, const std::string& title) : window_(window), title_(title) {}
    void Start(int range, int position, const std::string& text) override;
    void Step(const std::string& text) override;

private:
    void Show(const std::string& text) { SetStatusLine(window_, title_ + "\n" + text); }

    HWND window_;
    std::string title_;
};

}  // namespace rv
