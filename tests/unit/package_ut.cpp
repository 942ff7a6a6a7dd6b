#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/std_file.h"
#include "format/volumes.h"
#include "tests/unit/test_util.h"
#include "format/language.h"

namespace rv {
namespace {

using test::FakeStubImage;
using test::PatternBytes;
using test::ReadPackage;
using test::TempDir;
using test::WritePackage;

PackageSettings BasicSettings() {
    PackageSettings s;
    s.stubImage = FakeStubImage(4096);
    s.languageBlock = test::LanguageBlock({{"English", "s0=Demo Setup"}});
    s.updateBlock = "|agent|Product.info|Update.exe|" + ScrambleItem("token-1", 5) + "|0|";
    s.timeStamp = 46000LL * 86400;
    return s;
}

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"setup.exe", PatternBytes(30000, 1)},
    {"data\\readme.txt", std::string(50000, 'r')},
    {"empty.bin", ""},
};

TEST(PackageRoundTrip, PlainCompressedAndStored) {
    for (int level : {9, 0}) {
        TempDir dir;
        PackageSettings s = BasicSettings();
        s.level = level;
        s.flags = kFlagShowActivityBar | kFlagAlwaysShowTempNotice;
        ASSERT_TRUE(WritePackage(s, dir.Path("Setup.exe"), kFiles));

        const auto got = ReadPackage(dir.Path("Setup.exe"));
        EXPECT_EQ(got.volumes, 1);
        EXPECT_TRUE(got.allChecksumsPass);
        EXPECT_FALSE(got.damaged);
        for (const auto& [name, content] : kFiles) EXPECT_EQ(got.files.at(name), content) << name;

        StdFileSource src(dir.Path("Setup.exe"));
        const PackageReader r(src);
        ASSERT_TRUE(r.HasPackage());
        EXPECT_EQ(r.trailer().blockCount, 2);
        EXPECT_EQ(r.trailer().blockOffset, 4096u);
        EXPECT_EQ(r.trailer().recordCount, 3u);
        EXPECT_EQ(r.trailer().timeStamp, s.timeStamp);
        EXPECT_EQ(r.trailer().length, 74u);
        EXPECT_EQ(r.trailer().reserved0, 1);
        EXPECT_TRUE(r.trailer().Flag(kFlagShowActivityBar));
        EXPECT_TRUE(r.trailer().Flag(kFlagAlwaysShowTempNotice));
        EXPECT_FALSE(r.trailer().Flag(kFlagContinuesInNextVolume));
        EXPECT_EQ(r.languageBlock(), s.languageBlock);
        EXPECT_EQ(r.UpdateItem(2), "Update.exe");
        EXPECT_EQ(r.UpdateItem(3, true), "token-1");
        EXPECT_EQ(r.DescriptorName(), "Product.original");
        EXPECT_TRUE(r.internetBlock().empty());
        EXPECT_FALSE(r.layout().hasRecordedLength);
        EXPECT_EQ(r.RequiredSpace(4096), 32768u + 53248u);
        EXPECT_EQ(r.RequiredSpace(100), 80000u);
    }
}

TEST(PackageRoundTrip, InternetAndAgentPackages) {
    TempDir dir;
    PackageSettings s = BasicSettings();
    s.hasInternetBlock = true;
    s.internetBlock = "|http://127.0.0.1:8080/dl|RealSetup.exe|1|" + ScrambleItem("tok", 9) + "|123456|";
    s.internetSetup = s.confirmDownload = s.writeAgent = s.isAgent = true;
    ASSERT_TRUE(WritePackage(s, dir.Path("Net.exe"), {}));
    StdFileSource src(dir.Path("Net.exe"));
    const PackageReader r(src);
    ASSERT_TRUE(r.HasPackage());
    EXPECT_EQ(r.trailer().blockCount, 3);
    EXPECT_TRUE(r.trailer().internetSetup && r.trailer().confirmDownload);
    EXPECT_TRUE(r.trailer().writeAgent && r.trailer().isAgent);
    EXPECT_EQ(r.InternetItem(0), "http://127.0.0.1:8080/dl");
    EXPECT_EQ(r.InternetItem(1), "RealSetup.exe");
    EXPECT_EQ(r.InternetItem(3, true), "tok");
    EXPECT_EQ(r.InternetItem(4), "123456");
    EXPECT_TRUE(VerifyPackageChecksum(src));
}

TEST(PackageRoundTrip, SpannedVolumesCarryFilesAcross) {
    TempDir dir;
    PackageSettings s = BasicSettings();
    s.volumeSize = 20000;
    s.flags = kFlagSpannedOverDisks;
    s.level = 1;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"setup.exe", PatternBytes(25000, 3)}, {"b.dat", PatternBytes(9000, 4)}};
    ASSERT_TRUE(WritePackage(s, dir.Path("Setup.exe"), files));

    const auto got = ReadPackage(dir.Path("Setup.exe"));
    EXPECT_GE(got.volumes, 3);
    EXPECT_TRUE(got.allChecksumsPass);
    EXPECT_FALSE(got.damaged);
    for (const auto& [name, content] : files) EXPECT_EQ(got.files.at(name), content) << name;

    for (int n = 1; n <= got.volumes; ++n) {
        const std::string path = n == 1 ? dir.Path("Setup.exe") : VolumeName(dir.Path("Setup.exe"), n);
        StdFileSource src(path);
        EXPECT_LE(src.Size(), s.volumeSize) << path;
        const PackageReader r(src);
        EXPECT_EQ(r.trailer().Flag(kFlagContinuesInNextVolume), n < got.volumes) << path;
        EXPECT_TRUE(r.trailer().Flag(kFlagSpannedOverDisks));
        EXPECT_EQ(r.trailer().recordCount, static_cast<uint32_t>(files.size() + got.volumes - 1));
        EXPECT_EQ(r.languageBlock(), s.languageBlock);
    }
}

TEST(PackageRoundTrip, VolumeSizeTooSmallIsAnError) {
    TempDir dir;
    PackageSettings s = BasicSettings();
    s.volumeSize = 4200;
    PackageWriter w(s, dir.Path("Setup.exe"));
    w.BeginFile(1);
    EXPECT_FALSE(w.AddRecord(MakeRecordHeader("a", 0), "x") && w.Finish());
    EXPECT_NE(w.error().find("too small"), std::string::npos);
}

TEST(VolumeNames, FirstVolumeWithOrWithoutSuffix) {
    EXPECT_EQ(VolumeName(VolumeBaseName("Setup.exe.001"), 2), "Setup.exe.002");
    EXPECT_EQ(VolumeName(VolumeBaseName("Setup.exe"), 2), "Setup.exe.002");
    EXPECT_EQ(VolumeName(VolumeBaseName("Setup.EXE.001"), 12), "Setup.EXE.012");
    EXPECT_EQ(VolumeBaseName("Setup.exe.0001"), "Setup.exe.0001");
}

TEST(RecordedLength, HonouredOnlyWithPeHeaderAt256) {
    TempDir dir;
    PackageSettings s = BasicSettings();
    s.recordLength = true;
    ASSERT_TRUE(WritePackage(s, dir.Path("Setup.exe"), kFiles));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(dir.Path("Setup.exe"), bytes));
    EXPECT_EQ(GetRecordedLength(Bytes(bytes) + 248), bytes.size());

    // A signature or other data appended later is ignored.
    const std::string signedBytes = bytes + std::string(3000, 'S');
    {
        MemorySource src(signedBytes);
        const PackageReader r(src);
        EXPECT_TRUE(r.HasPackage());
        EXPECT_TRUE(r.layout().hasRecordedLength);
        EXPECT_EQ(r.layout().volumeLength, bytes.size());
        EXPECT_TRUE(VerifyPackageChecksum(src));
    }
    // The same bytes with "PE" elsewhere: the length field is not honoured
    // and the trailer is sought at the end of the file.
    std::string moved = signedBytes;
    moved[256] = 'X';
    MemorySource src(moved);
    const PackageReader r(src);
    EXPECT_FALSE(r.layout().hasRecordedLength);
    EXPECT_FALSE(r.HasPackage());
}

TEST(RecordedLength, RefusedForAStubWithoutPeAt256) {
    TempDir dir;
    PackageSettings s = BasicSettings();
    s.stubImage = FakeStubImage(4096, 128);
    s.recordLength = true;
    PackageWriter w(s, dir.Path("Setup.exe"));
    EXPECT_FALSE(w.Finish());
    EXPECT_NE(w.error().find("offset 256"), std::string::npos);
}

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

TEST(UpdateBlock, ProgramNameAndBackgroundItems) {
    PackageSettings s = BasicSettings();
    s.updateBlock = "|x|y|.exe||0|";
    TempDir dir;
    ASSERT_TRUE(WritePackage(s, dir.Path("S.exe"), {}));
    StdFileSource src(dir.Path("S.exe"));
    const PackageReader r(src);
    EXPECT_EQ(r.UpdateItem(2), ".exe");
    EXPECT_EQ(r.UpdateItem(4), "0");
    EXPECT_EQ(r.DescriptorName(), "y.original");
}

}  // namespace
}  // namespace rv
