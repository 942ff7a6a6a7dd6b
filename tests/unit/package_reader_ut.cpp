// Where the reader finds the package, and the items of its blocks.
#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/std_file.h"
#include "tests/unit/package_samples.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

using test::TempDir;
using test::WritePackage;

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
