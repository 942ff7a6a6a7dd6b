// Functions of system libraries bound at run time, where they may be
// missing on older Windows.
#pragma once

#include <windows.h>

namespace rv {

FARPROC LoadProc(const char* library, const char* procedure);

// Binds a function looked up at run time with the type of its declaration
// in the Windows headers, so that its calling convention is right on i686.
template <class Fn>
Fn* TypedProc(FARPROC proc) {
    // The one place where a FARPROC changes type; the detour through void*
    // silences -Wcast-function-type, which would flag every binding.
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(proc));
}

template <class Fn>
Fn* BindProc(const char* library, const char* procedure) {
    return TypedProc<Fn>(LoadProc(library, procedure));
}

// A function of a module the caller loaded and will unload; null for a
// null module.
template <class Fn>
Fn* ProcOf(HMODULE module, const char* procedure) {
    return module ? TypedProc<Fn>(GetProcAddress(module, procedure)) : nullptr;
}

}  // namespace rv
