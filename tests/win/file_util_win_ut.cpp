#include <gtest/gtest.h>

#include <vector>

#include "autoupdate/agent_state.h"
#include "base/ini_win.h"
#include "base/paths_win.h"
#include "env/descriptor_files_win.h"
#include "env/file_util_win.h"
#include "format/std_file.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

class RecordingProgress final : public WriteProgress {
public:
    explicit RecordingProgress(size_t cancelAfter) : cancelAfter_(cancelAfter) {}
    std::vector<uint64_t> seen;
    void OnWrite(uint64_t, uint64_t written, bool& cancel) override {
        seen.push_back(written);
        cancel = seen.size() > cancelAfter_;
    }

private:
    size_t cancelAfter_;
};

TEST(WholeFileWrites, AppendDatesAndChunkedProgress) {
    test::ScratchDir dir;
    const std::string file = dir.File("a.bin");
    const uint32_t date = (static_cast<uint32_t>((2020 - 1980) << 9 | 3 << 5 | 4) << 16) | (10 << 11 | 20 << 5 | 15);
    ASSERT_TRUE(WriteFileData(file, "abc", 0, false, nullptr));
    ASSERT_TRUE(WriteFileData(file, "def", date, true, nullptr));
    EXPECT_EQ(ReadFilePart(file, 0, 0), "abcdef");
    EXPECT_EQ(FileDateOf(file), date);
    EXPECT_EQ(FileSizeOf(file), 6u);

    const std::string big(3 * 1048576, 'b');
    RecordingProgress all(1000);
    ASSERT_TRUE(WriteFileData(file, big, 0, false, &all));
    ASSERT_GE(all.seen.size(), 2u);
    EXPECT_EQ(all.seen[0], 0u);
    EXPECT_EQ(all.seen[1], 0x4CCCCu);
    EXPECT_EQ(FileSizeOf(file), big.size());

    RecordingProgress cancelling(2);
    EXPECT_FALSE(WriteFileData(file, big, date, false, &cancelling));
    EXPECT_EQ(FileSizeOf(file), 2u * 0x4CCCC);
    EXPECT_NE(FileDateOf(file), date);  // the date only follows a whole write
}

TEST(PartialReads, Bounds) {
    test::ScratchDir dir;
    const std::string file = dir.File("p.txt");
    ASSERT_TRUE(WriteFileData(file, "0123456789", 0, false, nullptr));
    EXPECT_EQ(ReadFilePart(file, 3, 2), "234");
    EXPECT_EQ(ReadFilePart(file, 0, 7), "789");
    EXPECT_EQ(ReadFilePart(file, 100, 8), "89");
    EXPECT_EQ(ReadFilePart(file, 0, 10), "");
    EXPECT_EQ(ReadFilePart(file, 0, -1), "");
    EXPECT_EQ(ReadFilePart(dir.File("missing"), 0, 0), "");
    EXPECT_TRUE(AppendText(file, "AB", 0));
    EXPECT_EQ(ReadFilePart(file, 0, 8), "89AB");
}

TEST(Deletion, TreesWithReadOnlyFiles) {
    test::ScratchDir dir;
    const std::string root = dir.File("tree");
    ASSERT_TRUE(CreateFolderTree(root + "\\a\\b"));
    ASSERT_TRUE(WriteFileData(root + "\\a\\b\\x.txt", "x", 0, false, nullptr));
    ASSERT_TRUE(WriteFileData(root + "\\top.txt", "t", 0, false, nullptr));
    SetFileAttributesA((root + "\\a\\b\\x.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(DeleteTree(root, true));
    EXPECT_FALSE(FolderExists(root));
    EXPECT_FALSE(DeleteTree(root, true));  // gone already
    EXPECT_FALSE(DeleteFiles(root + "\\*.*", true));
}

TEST(FreeSpace, AnswersForTheTempDriveAndFailsForNone) {
    EXPECT_GT(DiskFreeBytes(TempDir(false)), 0);
    EXPECT_GT(DiskFreeBytes("C:"), 0);
    EXPECT_EQ(DiskFreeBytes("Q:\\no\\such\\drive"), -1);
    EXPECT_FALSE(EjectCD("C:\\"));  // not a CD drive
    EXPECT_FALSE(EjectCD("1:\\"));
}

TEST(ErrorPages, ReadFromTheDownloadedFile) {
    test::ScratchDir dir;
    const std::string file = dir.File("Setup.exe");
    ASSERT_TRUE(WriteFileData(file, "<html><head><title>404 Not Found</title>", 0, false, nullptr));
    EXPECT_EQ(ErrorPageText(file, "", "http://h/Setup.exe", false, "def").substr(0, 28),
              "<B>404 File Not Found...</B>");
    EXPECT_EQ(ErrorPageText(dir.File("none"), "MZ...", "u", false, "def"), "def");
}

TEST(DescriptorFiles, RealIniFilesThroughTheAgentMessages) {
    test::ScratchDir dir;
    AgentDescriptors files = AgentDescriptorsFor(dir.path(), "Product.INFO");
    EXPECT_EQ(files.original.path(), dir.File("Product.original"));
    EXPECT_EQ(files.info.path(), dir.File("Product.INFO"));
    ASSERT_TRUE(WriteFileData(files.original.path(), "[OriginalSetup]\r\nVersionOriginal=6\r\n", 0, false, nullptr));
    ASSERT_TRUE(
        WriteFileData(files.info.path(), "[NewSetup]\r\nVersionNew=9\r\nBackgroundUpdate=yes\r\n", 0, false, nullptr));
    AgentState state;
    EXPECT_EQ(HandleAgentMessage(state, files.original, files.info, agent_msg::kVersionOriginal, 0), 6);
    EXPECT_EQ(HandleAgentMessage(state, files.original, files.info, agent_msg::kVersionNew, 0), 9);
    EXPECT_FALSE(ReadFlag(files.info, info_key::kBackgroundUpdate));
    HandleAgentMessage(state, files.original, files.info, agent_msg::kSetProbeLast, 3600);
    EXPECT_EQ(IniRead(files.original.path(), "OriginalSetup", "ProbeSecondsLast", ""), "3600");
    EXPECT_EQ(IniRead(files.original.path(), "OriginalSetup", "__ProbeSecondsLast", ""), "01:00:00  30-DEC-1899");
    // Every read opens the file anew: a value written behind the agent's back is seen at once.
    IniWrite(files.original.path(), "OriginalSetup", "VersionOriginal", "7");
    EXPECT_EQ(HandleAgentMessage(state, files.original, files.info, agent_msg::kVersionOriginal, 0), 7);
}

}  // namespace
}  // namespace rv
