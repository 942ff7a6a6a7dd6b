#include <gtest/gtest.h>

#include "base/paths_win.h"
#include "format/package_writer.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/std_file.h"
#include "package/file_info.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

std::string StubLikeImage() {
    std::string image(4096, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image.replace(256, 4, std::string("PE\0\0", 4));
    return image;
}

std::string WriteTestPackage(const test::ScratchDir& dir, bool recordLength) {
    PackageSettings s;
    s.stubImage = StubLikeImage();
    s.languageBlock = std::string("\x02\x01") + "English\x01s0=Win Test\x01" + "Charset=178\x01\x02";
    s.updateBlock = "|a|Prod.info|Agent.exe|" + ScrambleItem("tok", 1) + "|1|";
    s.recordLength = recordLength;
    s.writeAgent = true;
    const std::string path = dir.File("Setup.exe");
    PackageWriter w(s, path);
    w.BeginFile(10000);
    w.AddRecord(MakeSetupRecordHeader("setup.exe", "/S", 0), std::string(10000, 'x'));
    EXPECT_TRUE(w.Finish()) << w.error();
    return path;
}

TEST(TGFileInfo, ReadsAPackageThroughWin32) {
    for (bool recordLength : {false, true}) {
        test::ScratchDir dir;
        const std::string path = WriteTestPackage(dir, recordLength);
        const TGFileInfo info(path);
        ASSERT_TRUE(info.HasPackage());
        EXPECT_TRUE(info.WriteAgent());
        EXPECT_FALSE(info.IsAutoUpdateProgram());
        EXPECT_EQ(info.FileCount(), 1u);
        EXPECT_EQ(info.UpdateItem(2), "Agent.exe");
        EXPECT_EQ(info.UpdateItem(3, true), "tok");
        EXPECT_EQ(info.DescriptorName(), "Prod.original");
        EXPECT_TRUE(info.ChecksumPasses());
        EXPECT_EQ(info.package().layout().hasRecordedLength, recordLength);
        // The drive's real cluster size picks the entry: 10000 bytes take
        // at least 10000 and at most one cluster more.
        const double required = info.RequiredSpace(dir.path());
        EXPECT_GE(required, 10000.0);
        EXPECT_LE(required, 10000.0 + 65536.0);
        // The file was closed again: it can be replaced at once.
        EXPECT_TRUE(DeleteFileA(path.c_str()));
    }
}

TEST(TGFileInfo, DamageFailsTheChecksum) {
    test::ScratchDir dir;
    const std::string path = WriteTestPackage(dir, false);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    bytes[4200] ^= 0x40;
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    EXPECT_FALSE(TGFileInfo(path).ChecksumPasses());
}

TEST(TGFileInfo, MissingOrForeignFilesAnswerDefaults) {
    const TGFileInfo missing("C:\\no\\such\\Setup.exe");
    EXPECT_FALSE(missing.HasPackage());
    EXPECT_EQ(missing.UpdateItem(2), "");
    EXPECT_EQ(missing.RequiredSpace("C:\\"), 0.0);
    const TGFileInfo self(ProgramFile());  // a plain executable, no package
    EXPECT_FALSE(self.HasPackage());
    EXPECT_EQ(self.FileCount(), 0u);
}

}  // namespace
}  // namespace rv
