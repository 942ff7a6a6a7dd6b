// Test tool: drives windows of other processes.
//
//   ui_driver.exe wait CLASS [MS]          waits until a top-level window of CLASS exists
//   ui_driver.exe gone CLASS [MS]          waits until none exists
//   ui_driver.exe key CLASS VK [alt]       posts a key press (virtual key, decimal) to it
//   ui_driver.exe click CLASS TEXT         clicks its child button whose text is TEXT
//   ui_driver.exe close CLASS              posts WM_CLOSE
//   ui_driver.exe post CLASS MSG W L       posts a message (decimal numbers)
//   ui_driver.exe send CLASS MSG W L       sends it and prints the result
//   ui_driver.exe text CLASS               prints the texts of its child windows
//   ui_driver.exe visible CLASS [MS]       waits until a window of CLASS is visible
// Exit code 0 on success, 1 when the window was not found in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND WaitFor(const char* cls, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND w = FindWindowA(cls, nullptr)) return w;
        if (GetTickCount() - start >= ms) return nullptr;
        Sleep(50);
    }
}

struct ButtonSearch {
    const char* text;
    HWND found;
};

BOOL CALLBACK FindButton(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ButtonSearch*>(param);
    char text[256];
    GetWindowTextA(child, text, sizeof text);
    if (std::strcmp(text, search->text) == 0) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    char cls[128], text[4096] = {};
    GetClassNameA(child, cls, sizeof cls);
    // WM_GETTEXT reaches the control itself; GetWindowText of another
    // process's window only answers the stored title.
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    std::printf("%s\t%s\n", cls, text);
    return TRUE;
}

long long Number(const char* s) { return std::strtoll(s, nullptr, 10); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ui_driver COMMAND CLASS ...\n");
        return 2;
    }
    const char* command = argv[1];
    const char* cls = argv[2];
    if (std::strcmp(command, "gone") == 0) {
        const DWORD ms = argc > 3 ? static_cast<DWORD>(Number(argv[3])) : 10000;
        const DWORD start = GetTickCount();
        while (FindWindowA(cls, nullptr)) {
            if (GetTickCount() - start >= ms) return 1;
            Sleep(50);
        }
        return 0;
    }
    if (std::strcmp(command, "visible") == 0) {
        const DWORD ms = argc > 3 ? static_cast<DWORD>(Number(argv[3])) : 10000;
        const DWORD start = GetTickCount();
        for (;;) {
            HWND w = FindWindowA(cls, nullptr);
            if (w && IsWindowVisible(w)) return 0;
            if (GetTickCount() - start >= ms) return 1;
            Sleep(50);
        }
    }
    const DWORD ms = std::strcmp(command, "wait") == 0 && argc > 3 ? static_cast<DWORD>(Number(argv[3])) : 10000;
    HWND window = WaitFor(cls, ms);
    if (!window) return 1;
    if (std::strcmp(command, "key") == 0 && argc > 3) {
        const WPARAM vk = static_cast<WPARAM>(Number(argv[3]));
        const bool alt = argc > 4 && std::strcmp(argv[4], "alt") == 0;
        PostMessageA(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, alt ? (1 << 29) : 0);
        PostMessageA(window, alt ? WM_SYSKEYUP : WM_KEYUP, vk, alt ? (1 << 29) | (3u << 30) : (3u << 30));
    } else if (std::strcmp(command, "click") == 0 && argc > 3) {
        ButtonSearch search{argv[3], nullptr};
        EnumChildWindows(window, FindButton, reinterpret_cast<LPARAM>(&search));
        if (!search.found) return 1;
        PostMessageA(search.found, BM_CLICK, 0, 0);
    } else if (std::strcmp(command, "close") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if ((std::strcmp(command, "post") == 0 || std::strcmp(command, "send") == 0) && argc > 5) {
        const UINT msg = static_cast<UINT>(Number(argv[3]));
        const WPARAM w = static_cast<WPARAM>(Number(argv[4]));
        const LPARAM l = static_cast<LPARAM>(Number(argv[5]));
        if (command[0] == 'p')
            PostMessageA(window, msg, w, l);
        else
            std::printf("%lld\n", static_cast<long long>(SendMessageA(window, msg, w, l)));
    } else if (std::strcmp(command, "text") == 0) {
        EnumChildWindows(window, PrintChild, 0);
    }
    return 0;
}
