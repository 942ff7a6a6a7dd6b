#include "tests/win/gallery_util.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/handle_win.h"
#include "env/file_util_win.h"

namespace rv::test {

namespace {

struct Handshake {
    std::string readyFile, doneFile;
    const char* windowClass = nullptr;
    const char* childClass = nullptr;
    bool announced = false;
};
Handshake gHandshake;

BOOL CALLBACK FindCompleteWindow(HWND w, LPARAM out) {
    char name[32] = {};
    GetClassNameA(w, name, sizeof name);
    if (lstrcmpiA(name, gHandshake.windowClass) != 0 || !FindWindowExA(w, nullptr, gHandshake.childClass, nullptr))
        return TRUE;
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
}

// A thread timer, so it runs inside the window's own loop: tells the script
// once the window is complete and painted (WM_PAINT goes before WM_TIMER),
// and closes it when the script has taken its picture.
void CALLBACK Photographer(HWND, UINT, UINT_PTR, DWORD) {
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindCompleteWindow, reinterpret_cast<LPARAM>(&window));
    if (!window) return;
    if (!gHandshake.announced) {
        const KernelHandle ready(
            CreateFileA(gHandshake.readyFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        gHandshake.announced = true;
    } else if (FileExists(gHandshake.doneFile)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

}  // namespace

int RunGalleryItem(int argc, char** argv, const GalleryItem* items, size_t count, const char* windowClass,
                   const char* childClass) {
    const GalleryItem* item = nullptr;
    for (size_t i = 0; i < count; ++i)
        if (argc == 4 && strcmp(argv[1], items[i].name) == 0) item = &items[i];
    if (!item) {
        fputs("usage: gallery program <item> <ready file> <done file>; items:", stderr);
        for (size_t i = 0; i < count; ++i) fprintf(stderr, " %s", items[i].name);
        fputs("\n", stderr);
        return 2;
    }
    gHandshake = {argv[2], argv[3], windowClass, childClass, false};
    SetTimer(nullptr, 0, 50, Photographer);
    item->show();
    return 0;
}

}  // namespace rv::test
