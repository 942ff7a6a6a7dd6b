#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "autoupdate/agent_state.h"
#include "base/ini_win.h"
#include "base/paths_win.h"
#include "base/random_win.h"
#include "env/descriptor_files_win.h"
#include "env/file_util_win.h"
#include "format/std_file.h"
#include "package/temp_folder_win.h"
#include "tests/win/win_test_util.h"
// After windows.h.
#include <sddl.h>

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

std::string CurrentUserSidText() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    std::vector<uint8_t> info(512);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, info.data(), static_cast<DWORD>(info.size()), &size);
    CloseHandle(token);
    char* text = nullptr;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid, &text);
    const std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

TEST(PrivateFolders, MadeNewWithAProtectedList) {
    test::ScratchDir dir;
    const std::string folder = dir.File("private");
    ASSERT_EQ(CreatePrivateFolder(folder), NewFolder::Made);
    EXPECT_EQ(CreatePrivateFolder(folder), NewFolder::Exists);  // never taken over
    EXPECT_EQ(CreatePrivateFolder(dir.File("no\\parent")), NewFolder::Failed);
    EXPECT_TRUE(WriteFileData(folder + "\\a.txt", "a", 0, false, nullptr));
    DWORD size = 0;
    GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<uint8_t> descriptor(size ? size : 1);
    ASSERT_TRUE(GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size));
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted));
    ASSERT_TRUE(present && acl);
    // Wine keeps no list of a file's own and shows one made from the Unix
    // owner (the user and SYSTEM, not protected); Windows shows ours,
    // protected. Either way nobody else is in it.
    const std::vector<std::string> allowed = {"S-1-5-18", "S-1-5-32-544", CurrentUserSidText()};
    ASSERT_GE(acl->AceCount, 2);
    for (WORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, i, &ace));
        char* text = nullptr;
        ASSERT_TRUE(ConvertSidToStringSidA(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, &text));
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), std::string(text)), allowed.end()) << text;
        LocalFree(text);
    }
}

TEST(PrivateFolders, RandomNamesUnderTheTempFolder) {
    const std::string a = SystemRandomHex(8), b = SystemRandomHex(8);
    EXPECT_EQ(a.size(), 16u);
    EXPECT_NE(a, b);
    test::ScratchDir dir;
    const std::string first = MakePrivateFolder(dir.path(), "SETUP_");
    const std::string second = MakePrivateFolder(dir.path(), "SETUP_");
    EXPECT_EQ(first.size(), dir.path().size() + 1 + 6 + 16) << first;
    EXPECT_NE(first, second);
    EXPECT_TRUE(FolderExists(first) && FolderExists(second));
}

// The system gives a temp path of up to about MAX_PATH characters (Wine a
// few less); a longer one comes back empty, and then no folder is made at
// all (never one at the root of the drive).
TEST(PrivateFolders, TempPathsAtTheBufferLimit) {
    char saved[MAX_PATH + 1] = "";
    const DWORD had = GetEnvironmentVariableA("TMP", saved, sizeof saved);
    const std::string base = "C:\\" + std::string(200, 'T') + "\\";
    for (const size_t length : {size_t{255}, size_t{300}}) {
        const std::string temp = base + std::string(length - base.size() - 1, 'x') + "\\";
        ASSERT_EQ(temp.size(), length);
        SetEnvironmentVariableA("TMP", temp.c_str());
        EXPECT_EQ(TempDir(true).empty(), length > MAX_PATH) << length;
    }
    SetupFolder folder;
    EXPECT_EQ(folder.Path(), "");
    SetEnvironmentVariableA("TMP", had ? saved : nullptr);
    EXPECT_FALSE(TempDir(true).empty());
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
