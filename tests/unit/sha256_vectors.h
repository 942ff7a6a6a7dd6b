// Known SHA-256 answers (FIPS 180-4 examples), for the builder's own
// implementation and the system's one in the stub.
#pragma once

#include <cstdio>
#include <string>

#include "format/volume_digest.h"

namespace rv::test {

struct Sha256Vector {
    std::string input;
    const char* digest;  // hexadecimal
};

inline const Sha256Vector kSha256Vectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

// The digest of an input handed over in pieces of `piece` bytes.
inline std::string DigestHex(Sha256& sha, const std::string& input, size_t piece) {
    VolumeDigest digest{};
    if (!sha.Begin()) return "no SHA-256";
    for (size_t at = 0; at < input.size(); at += piece)
        sha.Update(reinterpret_cast<const uint8_t*>(input.data()) + at,
                   input.size() - at < piece ? input.size() - at : piece);
    if (!sha.End(digest)) return "failed";
    std::string hex;
    char two[3];
    for (uint8_t b : digest) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

}  // namespace rv::test
