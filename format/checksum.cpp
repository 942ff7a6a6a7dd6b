#include "format/bytes.h"
#include "format/package_reader.h"

namespace rv {

namespace {

// The checksum's blocks: 4096 bytes from its start on.
constexpr uint64_t kChecksumBlock = 4096;

}  // namespace

ChecksumRule RuleOf(const Trailer& t) { return t.Flag(kFlagSealed) ? ChecksumRule::AnySize : ChecksumRule::SizeLimit; }

// The sum runs over the 32-bit words from `start_` while more than 8 bytes
// remain before the trailer, and adds 1234 after every 4096-byte block that
// leaves more than 4. The first 512 bytes of a file with a recorded length
// are left out: the length itself is written there after the data. Word by
// word, a byte at distance d from the start adds byte << 8 * (d mod 4), so
// the bytes can come in pieces of any size.
ChecksumAccumulator::ChecksumAccumulator(const PackageLayout& layout, uint32_t trailerLength, ChecksumRule rule)
    : fileSize_(layout.fileSize) {
    uint64_t length = layout.fileSize;
    if (layout.hasRecordedLength)
        length = rule == ChecksumRule::AnySize ? layout.recordedLength : (layout.recordedLength & 0xFFFFFFFFu);
    remaining_ = static_cast<int64_t>(length) - trailerLength;
    if (layout.hasRecordedLength) {
        start_ = kChecksumStartWithRecordedLength;
        remaining_ -= static_cast<int64_t>(kChecksumStartWithRecordedLength);
    }
    // Every word that starts more than 8 bytes before the trailer counts
    // whole, as far as the file holds whole words.
    const uint64_t available = fileSize_ > start_ ? (fileSize_ - start_) / 4 * 4 : 0;
    const uint64_t counted = remaining_ > 8 ? (static_cast<uint64_t>(remaining_ - 8) + 3) / 4 * 4 : 0;
    end_ = start_ + (counted < available ? counted : available);
    next_ = start_;
}

void ChecksumAccumulator::Add(uint64_t offset, const uint8_t* data, size_t n) {
    if (offset > next_ || offset + n <= next_) return;
    const uint64_t stop = offset + n < end_ ? offset + n : end_;
    for (uint64_t at = next_; at < stop; ++at)
        sum_ += static_cast<uint32_t>(data[at - offset]) << (8 * ((at - start_) % 4));
    if (stop > next_) next_ = stop;
}

uint32_t ChecksumAccumulator::Value() const {
    // The block reads run to the end of the file; the last one is short.
    const uint64_t span = fileSize_ > start_ ? fileSize_ - start_ : 0;
    uint32_t sum = sum_;
    for (uint64_t read = 0;;) {
        const uint64_t got = span - read < kChecksumBlock ? span - read : kChecksumBlock;
        read += got;
        if (remaining_ - static_cast<int64_t>(read / 4 * 4) > 4) sum += kChecksumDisabled;
        if (got < kChecksumBlock) break;
    }
    return sum;
}

uint32_t ComputePackageChecksum(ByteSource& src, const PackageLayout& layout, uint32_t trailerLength,
                                ChecksumRule rule) {
    if (rule == ChecksumRule::SizeLimit && layout.fileSize > kChecksumSizeLimit) return kChecksumDisabled;
    ChecksumAccumulator sum(layout, trailerLength, rule);
    uint8_t block[kChecksumBlock];
    while (sum.next() < sum.end()) {
        const uint64_t left = sum.end() - sum.next();
        const size_t got =
            src.ReadAt(sum.next(), block, left < sizeof block ? static_cast<size_t>(left) : sizeof block);
        if (got == 0) break;
        sum.Add(sum.next(), block, got);
    }
    return sum.Value();
}

bool ChecksumPasses(uint32_t stored, uint32_t computed) {
    return stored == computed || stored == kChecksumDisabled || computed == kChecksumDisabled;
}

bool VerifyPackageChecksum(ByteSource& src) {
    const PackageReader reader(src);
    if (reader.TrailerDamaged()) return false;
    return ChecksumPasses(
        reader.trailer().checksum,
        ComputePackageChecksum(src, reader.layout(), reader.trailer().length, RuleOf(reader.trailer())));
}

SummingSource::SummingSource(ByteSource& inner, ChecksumAccumulator& sum) : inner_(inner), sum_(sum) {}

size_t SummingSource::ReadAt(uint64_t offset, void* buffer, size_t n) {
    if (!CatchUp(offset)) return 0;
    const size_t got = inner_.ReadAt(offset, buffer, n);
    sum_.Add(offset, static_cast<const uint8_t*>(buffer), got);
    return got;
}

bool SummingSource::CatchUp(uint64_t offset) {
    uint8_t piece[kChecksumBlock];
    while (sum_.next() < offset && sum_.next() < sum_.end()) {
        const uint64_t stop = offset < sum_.end() ? offset : sum_.end();
        const uint64_t left = stop - sum_.next();
        const size_t got =
            inner_.ReadAt(sum_.next(), piece, left < sizeof piece ? static_cast<size_t>(left) : sizeof piece);
        if (got == 0) return false;
        sum_.Add(sum_.next(), piece, got);
    }
    return true;
}

bool SummingSource::Finish() { return CatchUp(sum_.end()) && sum_.next() == sum_.end(); }

}  // namespace rv
