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

}  // namespace rv
