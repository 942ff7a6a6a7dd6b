// Owners of Win32 handles: one small non-copyable, movable template, with a
// traits type per kind of handle. Non-owning window handles stay plain HWND.
#pragma once

#include <windows.h>

#include <utility>

namespace rv {

template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const { return h_; }
    explicit operator bool() const { return Traits::IsValid(h_); }
    Type release() { return std::exchange(h_, Traits::Invalid()); }
    void reset(Type h = Traits::Invalid()) {
        if (Traits::IsValid(h_)) Traits::Close(h_);
        h_ = h;
    }
    // For out-parameters of API calls: closes what is held first.
    Type* put() {
        reset();
        return &h_;
    }

private:
    Type h_ = Traits::Invalid();
};

// Kernel objects: files, processes, threads. CreateFile reports failure as
// INVALID_HANDLE_VALUE, most other calls as null, so both count as empty.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { FindClose(h); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};

struct LibraryTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using Library = UniqueHandle<LibraryTraits>;

}  // namespace rv
