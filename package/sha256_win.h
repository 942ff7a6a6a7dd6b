// SHA-256 from the system (CNG, bcrypt.dll, Vista and later), bound at run
// time: the stub carries no cryptographic code of its own.
#pragma once

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include "base/handle_win.h"
#include "format/volume_digest.h"

namespace rv {

struct CngAlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h);
};

struct CngHashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h);
};

class SystemSha256 final : public Sha256 {
public:
    SystemSha256();
    // False where the system offers no SHA-256 (before Vista).
    bool Available() const { return static_cast<bool>(algorithm_); }
    bool Begin() override;
    bool Update(const uint8_t* data, size_t n) override;
    bool End(VolumeDigest& digest) override;

private:
    UniqueHandle<CngAlgorithmTraits> algorithm_;
    UniqueHandle<CngHashTraits> hash_;
};

}  // namespace rv
