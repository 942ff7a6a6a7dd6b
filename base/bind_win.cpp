#include "base/bind_win.h"

namespace rv {

FARPROC LoadProc(const char* library, const char* procedure) {
    // The library stays loaded for the rest of the run, as every binding
    // made through it lives that long.
    HMODULE module = LoadLibraryA(library);
    return reinterpret_cast<UINT_PTR>(module) >= 33 ? GetProcAddress(module, procedure) : nullptr;
}

}  // namespace rv
