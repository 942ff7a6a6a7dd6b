// Little-endian field access for the package format. Every field of the
// format is read and written through these helpers, one at a time, so the
// layout never depends on the compiler's struct packing or the host's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rv {

inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline int64_t GetI64(const uint8_t* p) {
    return static_cast<int64_t>(static_cast<uint64_t>(GetU32(p)) | (static_cast<uint64_t>(GetU32(p + 4)) << 32));
}

inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutI64(uint8_t* p, int64_t v) {
    const uint64_t u = static_cast<uint64_t>(v);
    PutU32(p, static_cast<uint32_t>(u));
    PutU32(p + 4, static_cast<uint32_t>(u >> 32));
}

// The recorded package length is stored high half first, unlike every
// other field of the format.
inline uint64_t GetRecordedLength(const uint8_t* p) { return (static_cast<uint64_t>(GetU32(p)) << 32) | GetU32(p + 4); }

inline void PutRecordedLength(uint8_t* p, uint64_t v) {
    PutU32(p, static_cast<uint32_t>(v >> 32));
    PutU32(p + 4, static_cast<uint32_t>(v));
}

inline void AppendU32(std::string& out, uint32_t v) {
    uint8_t b[4];
    PutU32(b, v);
    out.append(reinterpret_cast<const char*>(b), 4);
}

inline const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace rv
