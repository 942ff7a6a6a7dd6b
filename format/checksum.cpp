#include "format/bytes.h"
#include "format/package_reader.h"

namespace rv {

// Sums the 32-bit words of the volume in 4096-byte blocks while more than
// 8 bytes remain before the trailer, and adds 1234 after every block that
// leaves more than 4. The first 512 bytes of a file with a recorded length
// are left out: the length itself is written there after the data.
uint32_t ComputePackageChecksum(ByteSource& src, const PackageLayout& layout, uint32_t trailerLength) {
    if (layout.fileSize > kChecksumSizeLimit) return kChecksumDisabled;
    const uint64_t length = layout.hasRecordedLength ? (layout.recordedLength & 0xFFFFFFFFu) : layout.fileSize;
    int64_t remaining = static_cast<int64_t>(length) - trailerLength;
    uint64_t offset = 0;
    if (layout.hasRecordedLength) {
        offset = kChecksumStartWithRecordedLength;
        remaining -= static_cast<int64_t>(kChecksumStartWithRecordedLength);
    }
    uint32_t sum = 0;
    uint8_t block[4096];
    for (;;) {
        const size_t got = src.ReadAt(offset, block, sizeof block);
        for (size_t i = 0; i + 4 <= got; i += 4) {
            if (remaining > 8) sum += GetU32(block + i);
            remaining -= 4;
        }
        if (remaining > 4) sum += kChecksumDisabled;
        offset += got;
        if (got < sizeof block) break;
    }
    return sum;
}

bool ChecksumPasses(uint32_t stored, uint32_t computed) {
    return stored == computed || stored == kChecksumDisabled || computed == kChecksumDisabled;
}

bool VerifyPackageChecksum(ByteSource& src) {
    const PackageReader reader(src);
    if (reader.TrailerDamaged()) return false;
    return ChecksumPasses(reader.trailer().checksum,
                          ComputePackageChecksum(src, reader.layout(), reader.trailer().length));
}

}  // namespace rv
