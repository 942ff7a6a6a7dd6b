// Packages written and read back: plain, compressed, stored, spanned, with
// every block; and what the writer refuses.
#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/package_writer.h"
#include "format/records.h"
#include "format/std_file.h"
#include "format/volumes.h"
#include "tests/unit/package_samples.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

using test::FakeStubImage;
using test::PatternBytes;
using test::ReadPackage;
using test::TempDir;
using test::WritePackage;

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
    const std::vector<std::pair<std::string, std::string>> files = {{"setup.exe", PatternBytes(25000, 3)},
                                                                    {"b.dat", PatternBytes(9000, 4)}};
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

TEST(RecordedLength, RefusedForAStubWithoutPeAt256) {
    TempDir dir;
    PackageSettings s = BasicSettings();
    s.stubImage = FakeStubImage(4096, 128);
    s.recordLength = true;
    PackageWriter w(s, dir.Path("Setup.exe"));
    EXPECT_FALSE(w.Finish());
    EXPECT_NE(w.error().find("offset 256"), std::string::npos);
}

}  // namespace
}  // namespace rv
