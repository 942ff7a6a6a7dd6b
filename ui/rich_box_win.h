// What the stub's RichEdit windows (the markup message box and the
// information dialog) share: the RichEdit 1.0 library and a window class
// that lives only as long as one showing.
#pragma once

#include <windows.h>

namespace rv {

constexpr const char* kRichEditLibrary = "RICHED32.DLL";

// Registered at construction, unregistered at the end of the showing.
class BoxClass {
public:
    BoxClass(const char* name, WNDPROC proc, HINSTANCE instance) : name_(name), instance_(instance) {
        WNDCLASSA wc{};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = name;
        RegisterClassA(&wc);
    }
    ~BoxClass() { UnregisterClassA(name_, instance_); }
    BoxClass(const BoxClass&) = delete;
    BoxClass& operator=(const BoxClass&) = delete;

private:
    const char* name_;
    HINSTANCE instance_;
};

// The window procedure of a box object: the object comes in as the creation
// parameter, is told its window (Box::Attach) and is kept in GWLP_USERDATA;
// its Handle answers every message from WM_NCCREATE on.
template <class Box>
LRESULT CALLBACK BoxProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* box = static_cast<Box*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        box->Attach(window);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    }
    auto* box = reinterpret_cast<Box*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return box ? box->Handle(msg, wParam, lParam) : DefWindowProcA(window, msg, wParam, lParam);
}

}  // namespace rv
