// Test tool: shows the stub's main window as the extraction shows it, with
// status text and both bars, for screenshots.
//
//   main_window_demo.exe PACKAGE CHARSET SECONDS [DETAIL]
//
// The package gives the caption; the status text is the package's "s1" in
// its font, with the character set given; DETAIL, when given, is shown on
// the detail line as a transfer's count and rate are.
#include <windows.h>

#include <cstdlib>

#include "base/paths_win.h"
#include "base/window_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "package/file_info.h"
#include "stub/main_window_win.h"

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const rv::Trace trace;
    rv::LanguageChoice language;
    const rv::TGFileInfo package(argv[1], language);
    rv::StubContext ctx(package);
    ctx.ownPath = rv::ProgramFile();
    ctx.className = "RvMainWindowDemo";
    rv::MainWindowState state;
    HWND window = rv::CreateMainWindow(ctx, state);
    if (!window) return 1;
    KillTimer(window, 1);  // no start-up step: the window only shows
    const int charset = std::atoi(argv[2]);
    rv::MainWindowDisplay display(window);
    display.SetStatusText(package.Text("s1"), package.FontName(), charset, package.FontSize());
    display.ShowActivityBar(true);
    display.StartProgress(10, 0);
    for (int i = 0; i < 5; ++i) display.StepProgress();
    if (argc > 4) display.SetDetailLine(argv[4]);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    rv::WaitPumping(static_cast<DWORD>(std::atoi(argv[3]) * 1000), 0);
    DestroyWindow(window);
    return 0;
}
