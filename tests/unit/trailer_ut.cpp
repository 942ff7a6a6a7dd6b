// The trailer as the reader takes it: its length field, block count and
// check, and files that hold none.
#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/package_format.h"
#include "format/package_reader.h"
#include "format/std_file.h"
#include "format/trailer.h"
#include "tests/unit/package_samples.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

using test::FakeStubImage;
using test::TempDir;
using test::WritePackage;

// The trailer as a builder would have written it: sealed with its check.
std::string WithTrailerBytes(std::string package, size_t offset, const std::string& bytes) {
    package.replace(package.size() - kTrailerSize + offset, bytes.size(), bytes);
    SealTrailer(reinterpret_cast<uint8_t*>(&package[package.size() - kTrailerSize]));
    return package;
}

TEST(TrailerReading, LengthFieldAndBlockCountRules) {
    TempDir dir;
    ASSERT_TRUE(WritePackage(BasicSettings(), dir.Path("Setup.exe"), kFiles));
    std::string package;
    ASSERT_TRUE(ReadWholeFile(dir.Path("Setup.exe"), package));

    {  // A length field above 74 still reads 74 bytes.
        const std::string p = WithTrailerBytes(package, 70, std::string("\xff\x00\x00\x00", 4));
        MemorySource src(p);
        const PackageReader r(src);
        EXPECT_TRUE(r.HasPackage());
        EXPECT_EQ(r.trailer().length, 74u);
    }
    {  // Block count 0 reads as 2.
        const std::string p = WithTrailerBytes(package, 1, std::string(1, '\0'));
        MemorySource src(p);
        const PackageReader r(src);
        EXPECT_EQ(r.trailer().blockCount, 2);
        EXPECT_EQ(r.UpdateItem(2), "Update.exe");
    }
    {  // A short length field reads only the bytes it covers: no magic.
        const std::string p = WithTrailerBytes(package, 70, std::string("\x0a\x00\x00\x00", 4));
        MemorySource src(p);
        const PackageReader r(src);
        EXPECT_FALSE(r.HasPackage());
        EXPECT_EQ(r.trailer().magic, 0u);
    }
    {  // A wrong magic leaves the blocks empty.
        const std::string p = WithTrailerBytes(package, 12, "XXXX");
        MemorySource src(p);
        const PackageReader r(src);
        EXPECT_FALSE(r.HasPackage());
        EXPECT_TRUE(r.languageBlock().empty());
        EXPECT_EQ(r.UpdateItem(2), "");
    }
    {  // A block length running past the trailer is never allocated.
        std::string p = package;
        PutU32(reinterpret_cast<uint8_t*>(&p[4096]), 0x7fffffff);
        MemorySource src(p);
        const PackageReader r(src);
        EXPECT_TRUE(r.HasPackage());
        EXPECT_FALSE(r.BlocksComplete());
        EXPECT_TRUE(r.languageBlock().empty());
    }
}

TEST(TrailerReading, DamageThatTheCheckCatches) {
    TempDir dir;
    ASSERT_TRUE(WritePackage(BasicSettings(), dir.Path("Setup.exe"), kFiles));
    std::string package;
    ASSERT_TRUE(ReadWholeFile(dir.Path("Setup.exe"), package));
    const struct {
        const char* what;
        size_t offset;
        uint8_t mask;
        bool damaged;
    } cases[] = {
        {"block count 2 -> 3", trailer_offset::kBlockCount, 0x01, true},
        {"continuation flag", trailer_offset::kFlags, kFlagContinuesInNextVolume, true},
        {"internet-download byte", trailer_offset::kInternetSetup, 0x01, true},
        {"volume number", trailer_offset::kVolumeNumber, 0x01, true},
        {"the check itself", trailer_offset::kTrailerCheck, 0x10, true},
        {"length field 74 -> 75", trailer_offset::kLength, 0x01, true},
        {"checksum field: the checksum test's own", trailer_offset::kChecksum, 0x01, false},
    };
    for (const auto& c : cases) {
        std::string p = package;
        p[p.size() - kTrailerSize + c.offset] ^= static_cast<char>(c.mask);
        MemorySource src(p);
        const PackageReader r(src);
        EXPECT_EQ(r.TrailerDamaged(), c.damaged) << c.what;
        EXPECT_EQ(r.HasPackage(), !c.damaged) << c.what;
        EXPECT_FALSE(VerifyPackageChecksum(src)) << c.what;
    }
    // A trailer without a check (an older builder's) is read as it stands.
    std::string legacy = package;
    PutU16(reinterpret_cast<uint8_t*>(&legacy[legacy.size() - kTrailerSize + trailer_offset::kTrailerCheck]), 0);
    legacy[legacy.size() - kTrailerSize + trailer_offset::kRecordCount] ^= 0x01;
    MemorySource src(legacy);
    EXPECT_TRUE(PackageReader(src).HasPackage());
    EXPECT_TRUE(VerifyPackageChecksum(src));
}

TEST(TrailerReading, ForeignAndTinyFiles) {
    for (const std::string& bytes : {std::string(), std::string("MZ"), std::string(100, 'x'), FakeStubImage(5000)}) {
        MemorySource src(bytes);
        const PackageReader r(src);
        EXPECT_FALSE(r.HasPackage());
        EXPECT_EQ(r.UpdateItem(2), "");
        EXPECT_EQ(r.RequiredSpace(4096), 0u);
    }
    StdFileSource missing("/nonexistent/Setup.exe");
    const PackageReader r(missing);
    EXPECT_FALSE(r.HasPackage());
}

}  // namespace
}  // namespace rv
