#include "base/random_win.h"

#include <windows.h>
// windows.h first: these need its types.
#include <bcrypt.h>
#include <ntsecapi.h>

#include <vector>

#include "base/bind_win.h"

namespace rv {

namespace {

// CNG's generator where it exists (Vista and later), else RtlGenRandom,
// the generator of older systems; both bound at run time.
bool FillRandom(unsigned char* buffer, ULONG size) {
    static auto* const cng = BindProc<decltype(::BCryptGenRandom)>("bcrypt.dll", "BCryptGenRandom");
    if (cng) return cng(nullptr, buffer, size, BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
    static auto* const rtl = BindProc<decltype(::SystemFunction036)>("advapi32.dll", "SystemFunction036");
    return rtl && rtl(buffer, size);
}

}  // namespace

std::string SystemRandomHex(size_t bytes) {
    std::vector<unsigned char> buffer(bytes);
    if (bytes == 0 || !FillRandom(buffer.data(), static_cast<ULONG>(bytes))) return std::string();
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : buffer) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

}  // namespace rv
