#include <gtest/gtest.h>

#include "base/clock.h"
#include "env/file_util.h"
#include "env/trace.h"
#include "package/temp_folder.h"

namespace rv {
namespace {

TEST(FileUtil, DriveRootAndChunks) {
    EXPECT_EQ(DriveRoot("d:", false), "D:\\");
    EXPECT_EQ(DriveRoot("D:\\Dir", false), "D:\\Dir");
    EXPECT_EQ(DriveRoot("d:\\Dir", true), "D:\\");
    EXPECT_EQ(DriveRoot("", true), "");
    EXPECT_EQ(WriteChunkSize(3 * 1048576), 0x4CCCCu);
    EXPECT_EQ(WriteChunkSize(100 * 1048576), 0x100000u);
    EXPECT_EQ(WriteChunkSize(5000), 1024u);
    EXPECT_EQ(WriteChunkSize(700), 700u);
}

TEST(FileUtil, SelfDeleteBatch) {
    EXPECT_EQ(SelfDeleteBatchText("C:\\T\\_DEL_ME_.BAT", "C:\\A\\X_U.exe", "C:\\A", "\"", true),
              ":START\r\nDEL \"C:\\A\\X_U.exe\"\r\nIF exist \"C:\\A\\X_U.exe\" GOTO START\r\nRD \"C:\\A\"\r\n"
              "DEL \"C:\\T\\_DEL_ME_.BAT\"\r\n");
    EXPECT_EQ(SelfDeleteBatchText("B", "E", "D", "", false), ":START\r\nDEL E\r\nIF exist E GOTO START\r\nDEL B\r\n");
}

TEST(FileUtil, ErrorPages) {
    const struct {
        const char* body;
        bool page;
    } cases[] = {
        {"<html><head><title>Oops</title></head>", true},
        {"<TITLE>404 Not Found</TITLE>", true},
        {"<title>Not Found</title> 404", false},
        {"MZ binary 404 <title>", false},
        {"404 not found", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsErrorPage(c.body), c.page) << c.body;
    EXPECT_EQ(ErrorPageMessage("plain", "http://x/s.exe", true, "def"), "def");
    const std::string iis = ErrorPageMessage("<TITLE>404</TITLE> Microsoft-iis/10", "http://x/s.exe", true, "def");
    EXPECT_EQ(iis,
              "<B>404 File Not Found...</B><P><P>URL:  http://x/s.exe.<P><P>Please make sure the file is available "
              "and access is allowed to this file.<P><P>If you are using an IIS webserver you must define "
              "appropriate MIME-Types.");
    EXPECT_EQ(ErrorPageMessage("<TITLE>404</TITLE> iis", "u", false, "d").find("IIS webserver"), std::string::npos);
}

TEST(Trace, FileNamesLinesAndViewerChunks) {
    EXPECT_EQ(TraceFileName("C:\\A\\Upd.exe"), "C:\\A\\X_Upd.log");
    EXPECT_EQ(TraceFileName("C:\\A\\X_Upd.exe"), "C:\\A\\X_Upd.log");
    EXPECT_EQ(TraceFileName("C:\\A\\x_Upd.exe"), "C:\\A\\X_x_Upd.log");  // the prefix is case-sensitive
    const DateTime t{2026, 12, 5, 9, 8, 7};
    EXPECT_EQ(TraceFileLine(t, 42, "   ", "hello"), "05/12/26 09:08:07    42   hello\r\n");
    EXPECT_EQ(TraceFileLine(t, 100000, " X ", ""), "05/12/26 09:08:07 100000 X \r\n");
    const std::string long_text(300, 'a');
    const auto chunks = ViewerChunks(long_text);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].size(), 128u);
    EXPECT_EQ(chunks[2].size(), 44u);
    EXPECT_TRUE(ViewerChunks("").empty());
}

TEST(TempFolders, SetupFolderName) {
    EXPECT_EQ(SetupFolderName("C:\\TEMP\\", 0x5A3B1234), "C:\\TEMP\\SETUP_4660");
    EXPECT_EQ(SetupFolderName("C:\\TEMP", 0xFFFF), "C:\\TEMP\\SETUP_65535");
}

}  // namespace
}  // namespace rv
