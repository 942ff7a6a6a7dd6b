#include <gtest/gtest.h>

#include "env/file_util.h"

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
    const struct {
        const char* batch;
        const char* exe;
        const char* folder;
        bool removeFolder;
        const char* text;
    } cases[] = {
        {"C:\\T\\~rv5F3A.bat", "C:\\A\\X_U.exe", "C:\\A", true,
         ":START\r\nDEL \"C:\\A\\X_U.exe\"\r\nIF exist \"C:\\A\\X_U.exe\" GOTO START\r\nRD \"C:\\A\"\r\n"
         "DEL \"C:\\T\\~rv5F3A.bat\"\r\n"},
        // Blanks stay inside the quotes; "%" is doubled, so that
        // "%WINDIR%" in a folder name stays a name.
        {"C:\\My Temp\\b.bat", "C:\\%WINDIR%\\100% x.exe", "C:\\%WINDIR%", true,
         ":START\r\nDEL \"C:\\%%WINDIR%%\\100%% x.exe\"\r\nIF exist \"C:\\%%WINDIR%%\\100%% x.exe\" GOTO START\r\n"
         "RD \"C:\\%%WINDIR%%\"\r\nDEL \"C:\\My Temp\\b.bat\"\r\n"},
        {"B", "E", "D", false, ":START\r\nDEL \"E\"\r\nIF exist \"E\" GOTO START\r\nDEL \"B\"\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SelfDeleteBatchText(c.batch, c.exe, c.folder, c.removeFolder), c.text) << c.exe;
    EXPECT_EQ(SelfDeleteArguments("C:\\Users\\A (x)\\Temp\\~rv1.bat"),
              "/d /c \"\"C:\\Users\\A (x)\\Temp\\~rv1.bat\"\"");
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

}  // namespace
}  // namespace rv
