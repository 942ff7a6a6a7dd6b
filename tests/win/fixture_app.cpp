// A small GUI program for the process tests, driven by its command line:
//   /LOG="file"    append what it receives to this file ("ready" once its
//                  windows are up, "WM_CLOSE w l", "WM_QUIT w l"); without
//                  it, to the program's own path with ".log" added, so that
//                  a start by another program, with no arguments, is seen too
//   /OWNED=n       a chain of n titled dialogs: the first owned by the main
//                  window, each further one by the one before
//   /EXTRA         one more visible titled window, owning nothing, created last
//   /HIDDEN        only one hidden, untitled window
//   /IGNORECLOSE   WM_CLOSE is logged and ignored (otherwise it ends with code 3)
//   /EXITAFTER=ms  ends by itself with code 4 after this time
// WM_QUIT ends it with the message's wParam as exit code.
#include <windows.h>

#include <string>

#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/paths_win.h"
#include "base/switches_win.h"

namespace {

constexpr UINT_PTR kExitTimer = 1;
constexpr int kClosedExitCode = 3;
constexpr int kTimedExitCode = 4;
const char kClassName[] = "RvFixtureWindow";

void Log(const std::string& line) {
    std::string file = rv::SwitchValue("/LOG=");
    if (file.empty()) file = rv::ProgramFile() + ".log";
    const rv::KernelHandle out(CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_ALWAYS, 0, nullptr));
    const std::string text = line + "\r\n";
    DWORD written = 0;
    if (out) WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string MessageLine(const char* name, WPARAM wParam, LPARAM lParam) {
    return std::string(name) + " " + rv::IntText(static_cast<long long>(wParam)) + " " +
           rv::IntText(static_cast<long long>(lParam));
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            Log(MessageLine("WM_CLOSE", wParam, lParam));
            if (!rv::SwitchPresent("/IGNORECLOSE")) PostQuitMessage(kClosedExitCode);
            return 0;
        case WM_TIMER:
            if (wParam == kExitTimer) PostQuitMessage(kTimedExitCode);
            return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND MakeWindow(const std::string& title, HWND owner, bool visible) {
    return CreateWindowExA(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 200,
                           100, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void MakeWindows() {
    if (rv::SwitchPresent("/HIDDEN")) {
        MakeWindow("", nullptr, false);
        return;
    }
    const HWND main = MakeWindow("Fixture Main", nullptr, true);
    const long long owned = rv::SwitchNumber("/OWNED=", 0);
    HWND owner = main;
    for (long long i = 0; i < owned; ++i) owner = MakeWindow("Fixture Dialog " + rv::IntText(i), owner, true);
    if (rv::SwitchPresent("/EXTRA")) MakeWindow("Fixture Plain", nullptr, true);
    const long long exitAfter = rv::SwitchNumber("/EXITAFTER=", 0);
    if (exitAfter > 0) SetTimer(main, kExitTimer, static_cast<UINT>(exitAfter), nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    MakeWindows();
    Log("ready");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Log(MessageLine("WM_QUIT", msg.wParam, msg.lParam));
    return static_cast<int>(msg.wParam);
}
