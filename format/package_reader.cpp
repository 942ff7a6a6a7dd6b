#include "format/package_reader.h"

#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "format/bytes.h"
#include "format/scramble.h"

namespace rv {

size_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t n) {
    if (offset >= data_.size()) return 0;
    const size_t count =
        static_cast<size_t>(data_.size() - offset) < n ? static_cast<size_t>(data_.size() - offset) : n;
    std::memcpy(buffer, data_.data() + offset, count);
    return count;
}

bool ReadExact(ByteSource& src, uint64_t offset, size_t n, std::string& out) {
    out.assign(n, '\0');
    size_t done = 0;
    while (done < n) {
        const size_t got = src.ReadAt(offset + done, &out[done], n - done);
        if (got == 0) {
            out.clear();
            return false;
        }
        done += got;
    }
    return true;
}

PackageLayout LocatePackage(ByteSource& src) {
    PackageLayout layout;
    layout.fileSize = src.Size();
    layout.volumeLength = layout.fileSize;
    std::string head;
    if (!ReadExact(src, 0, kPeHeaderOffset + 2, head)) return layout;
    const uint64_t recorded = GetRecordedLength(Bytes(head) + kRecordedLengthOffset);
    if (head.compare(0, 2, "MZ") == 0 && head.compare(kPeHeaderOffset, 2, "PE") == 0 && recorded != 0) {
        layout.hasRecordedLength = true;
        layout.recordedLength = recorded;
        layout.volumeLength = recorded;
    }
    return layout;
}

PackageReader::PackageReader(ByteSource& src) : layout_(LocatePackage(src)) {
    ReadTrailer(src);
    if (trailer_.HasMagic() && !trailerDamaged_)
        ReadBlocks(src);
    else
        trailer_ = Trailer();  // a foreign or damaged file answers every question with zero
}

void PackageReader::ReadTrailer(ByteSource& src) {
    const uint64_t end = layout_.volumeLength;
    std::string lengthField;
    if (end < 4 || !ReadExact(src, end - 4, 4, lengthField)) return;
    const uint32_t length =
        GetU32(Bytes(lengthField)) < kTrailerSize ? GetU32(Bytes(lengthField)) : static_cast<uint32_t>(kTrailerSize);
    std::string raw;
    if (length >= 4 && end >= length) ReadExact(src, end - length, length - 4, raw);
    trailer_ = DecodeTrailer(Bytes(raw), raw.size());
    trailer_.length = length;
    if (trailer_.blockCount == 0) trailer_.blockCount = 2;
    // Our builder always writes a whole trailer with its check.
    const std::string whole = raw + lengthField;
    trailerDamaged_ = trailer_.HasMagic() && trailer_.check != 0 &&
                      (whole.size() != kTrailerSize || TrailerCheck(Bytes(whole)) != trailer_.check);
}

uint64_t PackageReader::TrailerStart() const {
    return layout_.volumeLength > kTrailerSize ? layout_.volumeLength - kTrailerSize : 0;
}

void PackageReader::ReadBlocks(ByteSource& src) {
    std::string* blocks[] = {&language_, &update_, &internet_};
    const int count = trailer_.blockCount > 2 ? 3 : 2;
    uint64_t at = trailer_.blockOffset;
    const uint64_t limit = TrailerStart();
    for (int i = 0; i < count; ++i) {
        std::string lengthField;
        if (at + 4 > limit || !ReadExact(src, at, 4, lengthField)) return;
        const uint32_t length = GetU32(Bytes(lengthField));
        // A length that runs past the trailer belongs to a damaged package:
        // it is never allocated.
        if (length > limit - at - 4 || !ReadExact(src, at + 4, length, *blocks[i])) {
            for (std::string* b : blocks) b->clear();
            return;
        }
        at += 4 + length;
    }
    recordsStart_ = at;
    blocksComplete_ = true;
}

std::string PackageReader::UpdateItem(int index, bool unscramble) const {
    const std::string item = ListField(update_, index);
    return unscramble ? UnscrambleItemOrRandom(item) : item;
}

std::string PackageReader::InternetItem(int index, bool unscramble) const {
    const std::string item = ListField(internet_, index);
    return unscramble ? UnscrambleItemOrRandom(item) : item;
}

std::string PackageReader::DescriptorName() const { return NameWithoutExtensions(UpdateItem(1)) + ".original"; }

uint32_t PackageReader::RequiredSpace(uint64_t clusterSize) const {
    return trailer_.requiredSpace[RequiredSpaceIndex(clusterSize)];
}

}  // namespace rv
