#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/std_file.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

uint32_t SumWords(const std::string& data, size_t from, size_t count) {
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum += GetU32(Bytes(data) + from + 4 * i);
    return sum;
}

uint32_t ChecksumOf(const std::string& data) {
    MemorySource src(data);
    const PackageLayout layout = LocatePackage(src);
    return ComputePackageChecksum(src, layout, kTrailerSize);
}

TEST(PackageChecksum, SumsWordsUntilEightBytesBeforeTheTrailer) {
    // 90 bytes: 16 before the trailer, so the two words at 0 and 4 count.
    const std::string small = test::PatternBytes(90, 1);
    EXPECT_EQ(ChecksumOf(small), SumWords(small, 0, 2));
    // Two full blocks before the trailer: 2046 words, and 1234 once, after
    // the first block, which leaves more than 4 bytes.
    const std::string two = test::PatternBytes(8192 + 74, 2);
    EXPECT_EQ(ChecksumOf(two), SumWords(two, 0, 2046) + 1234u);
}

TEST(PackageChecksum, SizeLimitBoundary) {
    const std::string atLimit = test::PatternBytes(52428800, 3);
    EXPECT_NE(ChecksumOf(atLimit), kChecksumDisabled);
    const std::string above = atLimit + "x";
    EXPECT_EQ(ChecksumOf(above), kChecksumDisabled);
}

TEST(PackageChecksum, SealedRuleHasNoSizeLimit) {
    const std::string above = test::PatternBytes(52428801, 3);
    MemorySource src(above);
    const PackageLayout layout = LocatePackage(src);
    const uint32_t sealed = ComputePackageChecksum(src, layout, kTrailerSize, ChecksumRule::AnySize);
    EXPECT_NE(sealed, kChecksumDisabled);
    std::string flipped = above;
    flipped[40000000] ^= 1;
    MemorySource damaged(flipped);
    EXPECT_NE(ComputePackageChecksum(damaged, layout, kTrailerSize, ChecksumRule::AnySize), sealed);
}

// Reads a volume front to back in pieces of one size, as extraction does,
// skipping every other piece: the skipped bytes are summed all the same.
uint32_t SummedInPieces(const std::string& data, size_t piece) {
    MemorySource src(data);
    const PackageLayout layout = LocatePackage(src);
    ChecksumAccumulator sum(layout, kTrailerSize, ChecksumRule::AnySize);
    SummingSource summed(src, sum);
    std::string buffer(piece, '\0');
    for (uint64_t at = 0, n = 0; at < data.size(); at += piece, ++n)
        if (n % 2 == 0) summed.ReadAt(at, &buffer[0], piece);
    EXPECT_TRUE(summed.Finish());
    return sum.Value();
}

TEST(PackageChecksum, SummedAsReadEqualsTheWholeFileSum) {
    const struct {
        size_t size;
        bool recordedLength;
    } volumes[] = {{90, false}, {8192 + 74, false}, {8192 + 75, false}, {20001, false}, {20001, true}, {4096, true}};
    for (const auto& v : volumes) {
        std::string data = test::PatternBytes(v.size, 7);
        if (v.recordedLength) {
            const std::string image = test::FakeStubImage(1024);
            data.replace(0, image.size(), image);
            PutRecordedLength(reinterpret_cast<uint8_t*>(&data[kRecordedLengthOffset]), data.size());
        }
        MemorySource src(data);
        const uint32_t whole = ComputePackageChecksum(src, LocatePackage(src), kTrailerSize, ChecksumRule::AnySize);
        for (size_t piece : {1, 7, 4096, 70000})
            EXPECT_EQ(SummedInPieces(data, piece), whole)
                << v.size << (v.recordedLength ? " recorded" : "") << " by " << piece;
    }
}

TEST(PackageChecksum, PassRules) {
    EXPECT_TRUE(ChecksumPasses(77, 77));
    EXPECT_FALSE(ChecksumPasses(77, 78));
    EXPECT_TRUE(ChecksumPasses(kChecksumDisabled, 78));
    EXPECT_TRUE(ChecksumPasses(77, kChecksumDisabled));
}

struct Damage {
    const char* what;
    bool recordLength;
    long long offset;  // from the start of the file, or (negative) from its end
    bool detected;
};

TEST(PackageChecksum, WhichDamageIsDetected) {
    const Damage cases[] = {
        {"record byte", false, 5000, true},
        {"record byte, recorded length", true, 5000, true},
        {"DOS area, no recorded length", false, 300, true},
        {"DOS area, recorded length: not covered", true, 300, false},
        {"byte 512, recorded length", true, 512, true},
        // The sum leaves out the last 8 bytes before the trailer: our
        // builder puts zero padding there, so the last record is covered.
        {"last byte of the last record", false, -83, true},
        {"padding before the trailer: the record reader sees it", false, -75, false},
        // The trailer is outside the sum; its check covers it.
        {"trailer block count", false, -73, true},
        {"trailer continuation flag", false, -9, true},
        {"trailer checksum field", false, -58, true},
    };
    for (const Damage& d : cases) {
        test::TempDir dir;
        PackageSettings s;
        s.stubImage = test::FakeStubImage(4096);
        s.recordLength = d.recordLength;
        ASSERT_TRUE(test::WritePackage(s, dir.Path("p.exe"), {{"a.bin", test::PatternBytes(20000, 9)}}));
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(dir.Path("p.exe"), bytes));
        {
            MemorySource src(bytes);
            ASSERT_TRUE(VerifyPackageChecksum(src)) << d.what;
        }
        const long long from = d.offset >= 0 ? 0 : static_cast<long long>(bytes.size());
        const size_t at = static_cast<size_t>(from + d.offset);
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        MemorySource src(bytes);
        EXPECT_EQ(!VerifyPackageChecksum(src), d.detected) << d.what;
    }
}

TEST(PackageChecksum, StoredValue1234DisablesTheTest) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(4096);
    ASSERT_TRUE(test::WritePackage(s, dir.Path("p.exe"), {{"a.bin", test::PatternBytes(20000, 9)}}));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(dir.Path("p.exe"), bytes));
    PutU32(reinterpret_cast<uint8_t*>(&bytes[bytes.size() - kTrailerSize + 16]), kChecksumDisabled);
    bytes[5000] ^= 1;
    MemorySource src(bytes);
    EXPECT_TRUE(VerifyPackageChecksum(src));
}

}  // namespace
}  // namespace rv
