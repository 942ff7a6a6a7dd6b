// The 74-byte trailer that ends every package volume.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace rv {

struct Trailer {
    uint8_t reserved0 = 0;
    uint8_t blockCount = 0;
    uint32_t blockOffset = 0;
    uint32_t recordCount = 0;
    uint32_t magic = 0;
    uint32_t checksum = 0;
    int64_t timeStamp = 0;
    std::array<uint32_t, kRequiredSpaceEntries> requiredSpace{};
    uint8_t flags = 0;
    uint8_t internetSetup = 0;
    uint8_t confirmDownload = 0;
    uint8_t writeAgent = 0;
    uint8_t isAgent = 0;
    uint32_t length = 0;

    bool HasMagic() const { return magic == kPackageMagic; }
    bool Flag(uint8_t bit) const { return (flags & bit) != 0; }
};

// Decodes the first `available` bytes of a trailer (at most 74); the fields
// beyond them stay zero.
Trailer DecodeTrailer(const uint8_t* bytes, size_t available);

std::array<uint8_t, kTrailerSize> EncodeTrailer(const Trailer& t);

// Index of the required-space entry for a drive's cluster size.
size_t RequiredSpaceIndex(uint64_t clusterSize);

}  // namespace rv
