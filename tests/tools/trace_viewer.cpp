// Test tool: a trace viewer. It registers the viewer window class, takes
// every buffer the stub sends through the viewer message and appends it to
// a file, so that end-to-end tests read what the stub wrote.
//
//   trace_viewer.exe OUTPUT_FILE [SECONDS]
//
// Ends on WM_CLOSE, or after SECONDS (default 120). The file exists (empty)
// as soon as the window is ready.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

// By its path: the tool is built without the project's include folders.
#include "env/trace_wire.h"

namespace {

FILE* g_out = nullptr;
UINT g_viewerMessage = 0;

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_viewerMessage && g_viewerMessage != 0) {
        char text[300];
        const UINT n = GlobalGetAtomNameA(static_cast<ATOM>(lParam), text, sizeof text);
        std::fwrite(text, 1, n, g_out);
        std::fflush(g_out);
        (void)wParam;
        return 0;
    }
    if (message == WM_TIMER || message == WM_CLOSE) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: trace_viewer OUTPUT_FILE [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 120;
    g_viewerMessage = RegisterWindowMessageA(rv::kTraceViewerMessage);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = rv::kTraceViewerClass;
    RegisterClassA(&wc);
    HWND window = CreateWindowA(rv::kTraceViewerClass, "Trace viewer", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!window) return 1;
    g_out = std::fopen(argv[1], "wb");
    if (!g_out) return 1;
    SetTimer(window, 1, static_cast<UINT>(seconds) * 1000u, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    std::fclose(g_out);
    return 0;
}
