// The inspecting commands over damaged and unusual packages.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/cli_error.h"
#include "builder/examine.h"
#include "format/std_file.h"
#include "tests/unit/builder_test_util.h"
#include "tests/unit/test_util.h"

namespace rv::builder {
namespace {

TEST(Inspect, DamageIsReportedWithTheVolumeName) {
    ProjectFolder folder;
    AddPayload(folder);
    const std::vector<std::string> volumes = folder.Build("[package]\nvolume_size = 1000000\n").volumes;
    ASSERT_GE(volumes.size(), 3u);

    const std::string whole = Contents(volumes[1]);
    std::string second = whole;
    second[second.size() / 2] ^= 0x40;
    WriteWholeFile(volumes[1], second);
    const CliError bad = Failure([&] { ReadContents(volumes[0], Checksums::Require); });
    EXPECT_EQ(bad.code(), kExitDamaged);
    EXPECT_NE(std::string(bad.what()).find(volumes[1] + ": does not match the digest volume 1 holds"),
              std::string::npos)
        << bad.what();

    WriteWholeFile(volumes[1], whole);
    fs::remove(volumes[2]);
    const CliError missing = Failure([&] { ReadContents(volumes[0], Checksums::Report); });
    EXPECT_EQ(missing.code(), kExitDamaged);
    EXPECT_NE(std::string(missing.what()).find(volumes[2]), std::string::npos) << missing.what();

    EXPECT_EQ(Failure([&] { ReadContents(folder.Path("none.exe"), Checksums::Report); }).code(), kExitInput);
    EXPECT_EQ(Failure([&] { ReadContents(folder.Path("stub.exe"), Checksums::Report); }).code(), kExitDamaged);
}

// The launcher of a package spanned over disks names its first volume: the
// first volume of another build beside it is damage, not a package.
TEST(Inspect, TheLauncherNamesItsFirstVolume) {
    ProjectFolder ours, theirs;
    ours.AddSource("setup.exe", "ours");
    theirs.AddSource("setup.exe", "theirs");
    const std::string project = "[package]\nspanned_over_disks = true\n";
    const BuildSummary built = ours.Build(project);
    const std::string launcher = built.launcher;
    ASSERT_FALSE(launcher.empty());
    EXPECT_EQ(ReadContents(launcher, Checksums::Require).files.size(), 1u);
    WriteWholeFile(launcher + ".001", Contents(theirs.Build(project).launcher + ".001"));
    const CliError e = Failure([&] { ReadContents(launcher, Checksums::Require); });
    EXPECT_EQ(e.code(), kExitDamaged);
    EXPECT_NE(std::string(e.what()).find("does not match the digest the launcher holds"), std::string::npos)
        << e.what();
}

TEST(Inspect, BrokenRecordFailsEvenWithoutAChecksum) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(1024);
    ASSERT_TRUE(test::WritePackage(s, dir.Path("S.exe"), {{"a.txt", std::string(5000, 'a')}}));
    std::string bytes = Contents(dir.Path("S.exe"));
    bytes[bytes.size() - 74 - 20] ^= 0x55;                                     // inside the zlib stream
    bytes.replace(bytes.size() - 74 + 16, 4, std::string("\xD2\x04\0\0", 4));  // checksum 1234: not tested
    WriteWholeFile(dir.Path("S.exe"), bytes);
    const CliError e = Failure([&] { ReadContents(dir.Path("S.exe"), Checksums::Require); });
    EXPECT_EQ(e.code(), kExitDamaged);
    EXPECT_NE(std::string(e.what()).find("does not inflate"), std::string::npos) << e.what();
}

TEST(Inspect, ExtractRefusesNamesThatLeaveTheFolder) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(1024);
    for (const char* name : {"..\\evil.txt", "sub\\..\\..\\evil.txt", "/tmp/evil.txt"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(test::WritePackage(s, dir.Path("S.exe"), {{"good.txt", "g"}, {name, "evil"}}));
        const CliError e = Failure([&] { ExtractPackage(dir.Path("S.exe"), dir.Path("out/x")); });
        EXPECT_EQ(e.code(), kExitDamaged);
        EXPECT_NE(std::string(e.what()).find("unsafe file name"), std::string::npos) << e.what();
        EXPECT_FALSE(fs::exists(dir.Path("out/evil.txt")));
        EXPECT_FALSE(fs::exists(dir.Path("evil.txt")));
        // What was written before the refusal goes again.
        EXPECT_FALSE(fs::exists(dir.Path("out/x")));
    }
}

TEST(Inspect, ExtractNeverWritesThroughALinkInTheFolder) {
    const struct {
        const char* what;
        const char* link;    // inside the destination
        const char* target;  // outside it
        bool folder;
    } cases[] = {
        {"the file itself", "a.txt", "victim.txt", false},
        {"a folder on the way", "sub", "elsewhere", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        PackageSettings s;
        s.stubImage = test::FakeStubImage(1024);
        ASSERT_TRUE(
            test::WritePackage(s, dir.Path("S.exe"), {{"first.txt", "1"}, {"a.txt", "a"}, {"sub\\b.txt", "b"}}));
        fs::create_directories(dir.Path("out"));
        if (c.folder)
            fs::create_directories(dir.Path(c.target));
        else
            WriteWholeFile(dir.Path(c.target), "untouched");
        fs::create_symlink(dir.Path(c.target), dir.Path(std::string("out/") + c.link));
        const CliError e = Failure([&] { ExtractPackage(dir.Path("S.exe"), dir.Path("out")); });
        EXPECT_EQ(e.code(), kExitIo);
        EXPECT_NE(std::string(e.what()).find("symbolic link"), std::string::npos) << e.what();
        if (c.folder)
            EXPECT_TRUE(fs::is_empty(dir.Path(c.target)));
        else
            EXPECT_EQ(Contents(dir.Path(c.target)), "untouched");
        EXPECT_FALSE(fs::exists(dir.Path("out/first.txt")));  // removed again
        EXPECT_TRUE(fs::is_symlink(dir.Path(std::string("out/") + c.link)));
    }
}

// Sealed packages are checked at any size; older ones only up to the limit,
// and verify says which rule it applied.
TEST(Inspect, VerifyChecksAnySizeOfASealedPackage) {
    const std::string content = test::PatternBytes(kChecksumSizeLimit + 1000, 6);
    for (bool sealed : {true, false}) {
        SCOPED_TRACE(sealed ? "sealed" : "older");
        test::TempDir dir;
        PackageSettings s;
        s.stubImage = test::FakeStubImage(1024);
        s.level = 0;
        s.sealed = sealed;
        ASSERT_TRUE(test::WritePackage(s, dir.Path("S.exe"), {{"big.bin", content}}));
        const PackageContents whole = ReadContents(dir.Path("S.exe"), Checksums::Require);
        EXPECT_EQ(whole.volumes[0].rule, sealed ? ChecksumRule::AnySize : ChecksumRule::SizeLimit);
        EXPECT_EQ(whole.volumes[0].checksumTested, sealed);
        {
            StdFile f(dir.Path("S.exe"), "r+b");
            ASSERT_TRUE(f.Seek(30000000) && f.Write("\xFF\x00", 2) && f.Close());
        }
        if (sealed)
            EXPECT_EQ(Failure([&] { ReadContents(dir.Path("S.exe"), Checksums::Require); }).code(), kExitDamaged);
        else
            EXPECT_NO_THROW(ReadContents(dir.Path("S.exe"), Checksums::Require));
    }
}

TEST(Inspect, ExtractAppendsRecordsOfOneName) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(1024);
    ASSERT_TRUE(test::WritePackage(s, dir.Path("S.exe"), {{"a\\b.txt", "one,"}, {"c.txt", "c"}, {"a\\b.txt", "two"}}));
    WriteWholeFile(dir.Path("x/a/b.txt"), "stale content from before");
    const PackageContents c = ExtractPackage(dir.Path("S.exe"), dir.Path("x"));
    EXPECT_EQ(Contents(dir.Path("x/a/b.txt")), "one,two");
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(c.files[0].records, 2u);
}

}  // namespace
}  // namespace rv::builder
