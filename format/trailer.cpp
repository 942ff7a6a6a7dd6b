#include "format/trailer.h"

#include "format/bytes.h"

namespace rv {

namespace o = trailer_offset;

Trailer DecodeTrailer(const uint8_t* bytes, size_t available) {
    uint8_t raw[kTrailerSize] = {};
    for (size_t i = 0; i < available && i < kTrailerSize; ++i) raw[i] = bytes[i];
    Trailer t;
    t.reserved0 = raw[o::kReserved0];
    t.blockCount = raw[o::kBlockCount];
    t.check = GetU16(raw + o::kTrailerCheck);
    t.blockOffset = GetU32(raw + o::kBlockOffset);
    t.recordCount = GetU32(raw + o::kRecordCount);
    t.magic = GetU32(raw + o::kMagic);
    t.checksum = GetU32(raw + o::kChecksum);
    t.timeStamp = GetI64(raw + o::kTimeStamp);
    for (size_t i = 0; i < kRequiredSpaceEntries; ++i) t.requiredSpace[i] = GetU32(raw + o::kRequiredSpace + 4 * i);
    t.volumeNumber = raw[o::kVolumeNumber];
    t.flags = raw[o::kFlags];
    t.internetSetup = raw[o::kInternetSetup];
    t.confirmDownload = raw[o::kConfirmDownload];
    t.writeAgent = raw[o::kWriteAgent];
    t.isAgent = raw[o::kIsAgent];
    t.length = GetU32(raw + o::kLength);
    return t;
}

std::array<uint8_t, kTrailerSize> EncodeTrailer(const Trailer& t) {
    std::array<uint8_t, kTrailerSize> raw{};
    uint8_t* p = raw.data();
    p[o::kReserved0] = t.reserved0;
    p[o::kBlockCount] = t.blockCount;
    PutU32(p + o::kBlockOffset, t.blockOffset);
    PutU32(p + o::kRecordCount, t.recordCount);
    PutU32(p + o::kMagic, t.magic);
    PutU32(p + o::kChecksum, t.checksum);
    PutI64(p + o::kTimeStamp, t.timeStamp);
    for (size_t i = 0; i < kRequiredSpaceEntries; ++i) PutU32(p + o::kRequiredSpace + 4 * i, t.requiredSpace[i]);
    p[o::kVolumeNumber] = t.volumeNumber;
    p[o::kFlags] = t.flags;
    p[o::kInternetSetup] = t.internetSetup;
    p[o::kConfirmDownload] = t.confirmDownload;
    p[o::kWriteAgent] = t.writeAgent;
    p[o::kIsAgent] = t.isAgent;
    PutU32(p + o::kLength, t.length);
    SealTrailer(p);
    return raw;
}

uint16_t TrailerCheck(const uint8_t* trailer) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < kTrailerSize; ++i) {
        if ((i >= o::kTrailerCheck && i < o::kTrailerCheck + 2) || (i >= o::kChecksum && i < o::kChecksum + 4))
            continue;
        crc ^= static_cast<uint16_t>(trailer[i] << 8);
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc == 0 ? 1 : crc;
}

void SealTrailer(uint8_t* trailer) { PutU16(trailer + o::kTrailerCheck, TrailerCheck(trailer)); }

size_t RequiredSpaceIndex(uint64_t clusterSize) {
    if (clusterSize < 512) return 0;
    size_t index = 1;
    for (uint64_t size = 1024; size <= clusterSize && index < kRequiredSpaceEntries - 1; size <<= 1) ++index;
    return index;
}

}  // namespace rv
