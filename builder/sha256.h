// SHA-256 (FIPS 180-4) for the builder, which runs where the system offers
// none; the stub asks Windows instead.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "format/volume_digest.h"

namespace rv::builder {

class PortableSha256 final : public Sha256 {
public:
    bool Begin() override;
    bool Update(const uint8_t* data, size_t n) override;
    bool End(VolumeDigest& digest) override;

private:
    void Compress(const uint8_t* block);

    std::array<uint32_t, 8> state_{};
    std::array<uint8_t, 64> buffer_{};
    size_t buffered_ = 0;
    uint64_t length_ = 0;
};

// The digest of a whole file; false when it cannot be read.
bool DigestOfFile(const std::string& path, VolumeDigest& digest);

}  // namespace rv::builder
