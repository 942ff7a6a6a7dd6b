// The stub's small C++ runtime.
//
// libstdc++'s prebuilt string code throws, and linking it drags in the whole
// exception runtime and a symbol demangler (about 220 KB on i686). The stub
// is built without exceptions, allocates through the process heap, and ends
// the process on the few errors that only a programming fault can cause.
// With _GLIBCXX_ASSERTIONS the string templates are instantiated inline, so
// the library's copy is never linked; their failed checks end here too. The host builder and the tests use the
// normal library.
#include <windows.h>

#include <cstddef>
#include <new>

namespace {

[[noreturn]] void Die(const char* why) {
    MessageBoxA(nullptr, why, "Setup", MB_OK | MB_ICONERROR);
    ExitProcess(3);
}

void* Allocate(std::size_t size) {
    void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    if (!p) Die("Out of memory.");
    return p;
}

void Release(void* p) {
    if (p) HeapFree(GetProcessHeap(), 0, p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace std {
void __throw_length_error(const char*) { Die("Internal error: length."); }
void __throw_logic_error(const char*) { Die("Internal error: logic."); }
void __throw_out_of_range(const char*) { Die("Internal error: range."); }
void __throw_out_of_range_fmt(const char*, ...) { Die("Internal error: range."); }
void __throw_bad_alloc() { Die("Out of memory."); }
void __throw_bad_array_new_length() { Die("Out of memory."); }
void __throw_invalid_argument(const char*) { Die("Internal error: argument."); }
void __throw_bad_function_call() { Die("Internal error: call."); }
// A failed bounds check of _GLIBCXX_ASSERTIONS; the library's own version
// prints through the demangler.
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { Die("Internal error: bounds."); }
}  // namespace std
