// The SHA-256 digest by which a volume names the next one. The stub takes
// SHA-256 from the system, the builder computes it itself; both behind this
// interface, so the format holds no cryptographic code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "format/byte_source.h"
#include "format/package_format.h"

namespace rv {

using VolumeDigest = std::array<uint8_t, kVolumeDigestSize>;

class Sha256 {
public:
    virtual ~Sha256() = default;
    // Starts a new digest; false when the system offers no SHA-256.
    virtual bool Begin() = 0;
    virtual bool Update(const uint8_t* data, size_t n) = 0;
    virtual bool End(VolumeDigest& digest) = 0;
};

// The digest of a whole volume file, read in pieces; `idle()` runs after
// every piece. False when hashing or a read failed.
template <class Idle>
bool DigestOf(ByteSource& volume, Sha256& sha, VolumeDigest& digest, Idle idle) {
    if (!sha.Begin()) return false;
    std::string piece(65536, '\0');
    uint64_t at = 0;
    while (at < volume.Size()) {
        const size_t got = volume.ReadAt(at, &piece[0], piece.size());
        if (got == 0 || !sha.Update(reinterpret_cast<const uint8_t*>(piece.data()), got)) return false;
        at += got;
        idle();
    }
    return sha.End(digest);
}

// The next-volume record that carries `digest`, and the digest carried by a
// record's content (a record with an empty header), if it is one.
std::string NextVolumeRecord(const VolumeDigest& digest);
bool NextVolumeDigestIn(const std::string& content, VolumeDigest& digest);

}  // namespace rv
