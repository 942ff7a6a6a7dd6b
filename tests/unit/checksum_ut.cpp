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
