// Test tool: a window that other programs notify. It writes its handle to a
// file once it exists, then logs every message it receives in the WM_APP
// range and above as "message wParam lParam" lines.
//
//   reply_window.exe HANDLE_FILE LOG_FILE [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
FILE* g_log = nullptr;

LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP) {
        std::fprintf(g_log, "%u %llu %lld\n", message, static_cast<unsigned long long>(wParam),
                     static_cast<long long>(lParam));
        std::fflush(g_log);
        return 0;
    }
    if (message == WM_TIMER) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReplyProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RvReplyWindow";
    RegisterClassA(&wc);
    HWND window =
        CreateWindowA("RvReplyWindow", "reply", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    g_log = std::fopen(argv[2], "wb");
    if (!window || !g_log) return 1;
    SetTimer(window, 1, static_cast<UINT>(argc > 3 ? std::atoi(argv[3]) : 60) * 1000u, nullptr);
    FILE* handle = std::fopen(argv[1], "wb");
    std::fprintf(handle, "%llu", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    std::fclose(handle);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    std::fclose(g_log);
    return 0;
}
