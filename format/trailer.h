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
    uint16_t check = 0;  // TrailerCheck of the stored bytes; 0: none (older builders)
    uint32_t blockOffset = 0;
    uint32_t recordCount = 0;
    uint32_t magic = 0;
    uint32_t checksum = 0;
    int64_t timeStamp = 0;
    std::array<uint32_t, kRequiredSpaceEntries> requiredSpace{};
    uint8_t volumeNumber = 0;  // the volume's number modulo 256; 0: unnumbered
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

// Encodes every field and seals the result: its check field holds the
// TrailerCheck of the other bytes (t.check is not used).
std::array<uint8_t, kTrailerSize> EncodeTrailer(const Trailer& t);

// CRC-16 (CCITT) of a whole stored trailer without its check field and its
// checksum field, which the checksum test itself covers (and which a package
// may have set to 1234 afterwards); never 0, which means "no check".
uint16_t TrailerCheck(const uint8_t* trailer);
// Writes the check of a whole stored trailer into its check field, after a
// byte of it was changed in place.
void SealTrailer(uint8_t* trailer);

// Index of the required-space entry for a drive's cluster size.
size_t RequiredSpaceIndex(uint64_t clusterSize);

}  // namespace rv
