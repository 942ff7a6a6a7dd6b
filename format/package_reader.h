// Portable reading of a package: where its trailer lies, the trailer, the
// leading blocks, their items and the package checksum. The stub's TGFileInfo
// and the builder both sit on this.
#pragma once

#include <cstdint>
#include <string>

#include "format/byte_source.h"
#include "format/trailer.h"

namespace rv {

// Where the parts of one volume file lie.
struct PackageLayout {
    uint64_t fileSize = 0;
    bool hasRecordedLength = false;
    uint64_t recordedLength = 0;
    // End of the trailer: the recorded length when honoured, else the size.
    uint64_t volumeLength = 0;
};

// The recorded length counts only in an image with "MZ" at 0 and "PE" at 256.
PackageLayout LocatePackage(ByteSource& src);

class PackageReader {
public:
    // Reads the trailer and, when the magic matches, the leading blocks. A
    // missing, short or foreign file (wrong magic), and a trailer whose check
    // fails, leave a zero trailer and empty blocks.
    explicit PackageReader(ByteSource& src);

    const PackageLayout& layout() const { return layout_; }
    const Trailer& trailer() const { return trailer_; }
    bool HasPackage() const { return trailer_.HasMagic(); }
    // The trailer has the magic but not the check it carries: a damaged
    // package, never read as one.
    bool TrailerDamaged() const { return trailerDamaged_; }
    // True when every leading block the trailer names was read whole.
    bool BlocksComplete() const { return blocksComplete_; }
    // Offset of the first file record: just behind the leading blocks.
    uint64_t RecordsStart() const { return recordsStart_; }
    uint64_t TrailerStart() const;

    const std::string& languageBlock() const { return language_; }
    const std::string& updateBlock() const { return update_; }
    const std::string& internetBlock() const { return internet_; }

    std::string UpdateItem(int index, bool unscramble = false) const;
    std::string InternetItem(int index, bool unscramble = false) const;
    // Update item 1's file name without extensions, plus ".original".
    std::string DescriptorName() const;
    uint32_t RequiredSpace(uint64_t clusterSize) const;

private:
    void ReadTrailer(ByteSource& src);
    void ReadBlocks(ByteSource& src);

    PackageLayout layout_;
    Trailer trailer_;
    std::string language_, update_, internet_;
    uint64_t recordsStart_ = 0;
    bool blocksComplete_ = false;
    bool trailerDamaged_ = false;
};

// Which volumes the package checksum covers: older packages only up to
// kChecksumSizeLimit, sealed ones (kFlagSealed) whatever their size.
enum class ChecksumRule { SizeLimit, AnySize };
ChecksumRule RuleOf(const Trailer& t);

// The package checksum of one volume, summed from bytes handed in order
// (pieces of any size; bytes before next() or past end() are ignored).
class ChecksumAccumulator {
public:
    ChecksumAccumulator(const PackageLayout& layout, uint32_t trailerLength, ChecksumRule rule);
    void Add(uint64_t offset, const uint8_t* data, size_t n);
    // The first byte not summed yet, and the end of the summed bytes.
    uint64_t next() const { return next_; }
    uint64_t end() const { return end_; }
    // The checksum; complete once next() reached end().
    uint32_t Value() const;

private:
    uint64_t fileSize_ = 0;
    uint64_t start_ = 0;
    int64_t remaining_ = 0;
    uint64_t end_ = 0;
    uint64_t next_ = 0;
    uint32_t sum_ = 0;
};

// A volume read through the checksum: every read first sums the bytes it
// skips, so a reader that moves forward through the volume sums it in the
// same pass, each byte once.
class SummingSource final : public ByteSource {
public:
    SummingSource(ByteSource& inner, ChecksumAccumulator& sum);
    uint64_t Size() const override { return inner_.Size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) override;
    // Sums what the reader left unread; false when the volume ends early.
    bool Finish();

private:
    bool CatchUp(uint64_t offset);

    ByteSource& inner_;
    ChecksumAccumulator& sum_;
};

// The package checksum of a volume, or kChecksumDisabled for a file above
// the size limit under that rule. `trailerLength` is the trailer's length
// field as read.
uint32_t ComputePackageChecksum(ByteSource& src, const PackageLayout& layout, uint32_t trailerLength,
                                ChecksumRule rule = ChecksumRule::SizeLimit);
bool ChecksumPasses(uint32_t stored, uint32_t computed);
// Reads the volume and tests its stored checksum under the trailer's rule;
// a damaged trailer fails.
bool VerifyPackageChecksum(ByteSource& src);

}  // namespace rv
