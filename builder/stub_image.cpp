#include "builder/stub_image.h"

#include <algorithm>

#include "base/numbers.h"
#include "format/bytes.h"
#include "format/package_writer.h"

namespace rv::builder {

namespace {

constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kSymbolSize = 18;
constexpr uint32_t kCertificateDirectory = 4;

uint32_t U32At(const std::string& image, uint64_t offset) {
    return offset + 4 <= image.size() ? GetU32(Bytes(image) + offset) : 0;
}

uint16_t U16At(const std::string& image, uint64_t offset) {
    return offset + 2 <= image.size() ? GetU16(Bytes(image) + offset) : 0;
}

// The certificate table's entry of the data directories holds a file
// offset, not an address; a signed stub carries its signature there.
uint64_t CertificateEnd(const std::string& image, uint64_t optional, uint16_t optionalSize) {
    const uint16_t magic = U16At(image, optional);
    const uint64_t countAt = optional + (magic == 0x20b ? 108 : 92);
    if (optionalSize < countAt - optional + 4 || U32At(image, countAt) <= kCertificateDirectory) return 0;
    const uint64_t entry = countAt + 4 + 8 * kCertificateDirectory;
    return static_cast<uint64_t>(U32At(image, entry)) + U32At(image, entry + 4);
}

uint64_t SymbolTableEnd(const std::string& image, uint64_t coff) {
    const uint32_t table = U32At(image, coff + 8), symbols = U32At(image, coff + 12);
    if (table == 0 || symbols == 0) return 0;
    const uint64_t strings = table + static_cast<uint64_t>(symbols) * kSymbolSize;
    return strings + std::max<uint32_t>(4, U32At(image, strings));
}

}  // namespace

uint64_t PeImageEnd(const std::string& image) {
    if (image.size() < 64 || image.compare(0, 2, "MZ") != 0) return 0;
    const uint64_t pe = U32At(image, 0x3C);
    if (pe + 4 + kCoffHeaderSize > image.size() || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    const uint64_t coff = pe + 4;
    const uint16_t sections = U16At(image, coff + 2);
    const uint16_t optionalSize = U16At(image, coff + 16);
    const uint64_t table = coff + kCoffHeaderSize + optionalSize;
    uint64_t end = table + static_cast<uint64_t>(sections) * kSectionHeaderSize;
    if (sections == 0 || end > image.size()) return 0;
    for (uint16_t i = 0; i < sections; ++i) {
        const uint64_t header = table + i * kSectionHeaderSize;
        const uint32_t rawSize = U32At(image, header + 16);
        if (rawSize != 0) end = std::max(end, static_cast<uint64_t>(U32At(image, header + 20)) + rawSize);
    }
    end = std::max(end, SymbolTableEnd(image, coff));
    return std::max(end, CertificateEnd(image, coff + kCoffHeaderSize, optionalSize));
}

std::string StubImageProblem(const std::string& image) {
    if (!HasPeHeaderAt256(image))
        return "not a stub image: its PE header is not at offset 256 (cmake/place_pe_header.py moves it there)";
    const uint64_t end = PeImageEnd(image);
    if (end == 0) return "not a stub image: its PE headers do not read";
    if (image.size() < end)
        return "a cut-off stub image: its headers say " + IntText(static_cast<long long>(end)) +
               " bytes, the file has " + IntText(static_cast<long long>(image.size()));
    if (image.size() > end)
        return "not a bare stub image: " + IntText(static_cast<long long>(image.size() - end)) +
               " bytes follow the image (an already-built setup file would nest its package)";
    return "";
}

}  // namespace rv::builder
