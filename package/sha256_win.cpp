#include "package/sha256_win.h"

#include "base/bind_win.h"

namespace rv {

namespace {

struct Cng {
    decltype(&::BCryptOpenAlgorithmProvider) open =
        BindProc<decltype(::BCryptOpenAlgorithmProvider)>("bcrypt.dll", "BCryptOpenAlgorithmProvider");
    decltype(&::BCryptCloseAlgorithmProvider) close =
        BindProc<decltype(::BCryptCloseAlgorithmProvider)>("bcrypt.dll", "BCryptCloseAlgorithmProvider");
    decltype(&::BCryptCreateHash) create = BindProc<decltype(::BCryptCreateHash)>("bcrypt.dll", "BCryptCreateHash");
    decltype(&::BCryptHashData) data = BindProc<decltype(::BCryptHashData)>("bcrypt.dll", "BCryptHashData");
    decltype(&::BCryptFinishHash) finish = BindProc<decltype(::BCryptFinishHash)>("bcrypt.dll", "BCryptFinishHash");
    decltype(&::BCryptDestroyHash) destroy = BindProc<decltype(::BCryptDestroyHash)>("bcrypt.dll", "BCryptDestroyHash");

    bool Present() const { return open && close && create && data && finish && destroy; }
};

const Cng& Functions() {
    static const Cng cng;
    return cng;
}

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

void CngAlgorithmTraits::Close(Type h) { Functions().close(h, 0); }
void CngHashTraits::Close(Type h) { Functions().destroy(h); }

SystemSha256::SystemSha256() {
    const Cng& cng = Functions();
    if (cng.Present() && !Succeeded(cng.open(algorithm_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        algorithm_.release();
}

bool SystemSha256::Begin() {
    hash_.reset();
    if (!algorithm_) return false;
    if (Succeeded(Functions().create(algorithm_.get(), hash_.put(), nullptr, 0, nullptr, 0, 0))) return true;
    hash_.release();
    return false;
}

bool SystemSha256::Update(const uint8_t* data, size_t n) {
    // CNG takes at most a ULONG per call.
    while (hash_ && n > 0) {
        const ULONG piece = n > 0x40000000 ? 0x40000000 : static_cast<ULONG>(n);
        if (!Succeeded(Functions().data(hash_.get(), const_cast<PUCHAR>(data), piece, 0))) return false;
        data += piece;
        n -= piece;
    }
    return static_cast<bool>(hash_);
}

bool SystemSha256::End(VolumeDigest& digest) {
    const bool done =
        hash_ && Succeeded(Functions().finish(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
    hash_.reset();
    return done;
}

}  // namespace rv
