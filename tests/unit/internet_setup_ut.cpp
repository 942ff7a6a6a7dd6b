#include <gtest/gtest.h>

#include <climits>

#include "format/bytes.h"
#include "format/package_format.h"
#include "format/package_reader.h"
#include "format/std_file.h"
#include "net/internet_setup.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

TEST(InternetSetup, SizeQuestion) {
    const struct {
        const char* bytes;
        const char* text;
    } cases[] = {{"52428800", "50.0"}, {"5242880", "5.00"}, {"524288", "0.500"}, {"", "0.000"}, {"-5", "0.000"}};
    for (const auto& c : cases)
        EXPECT_EQ(DownloadQuestion("Size: <SIZE> MB", c.bytes), std::string("Size: ") + c.text + " MB") << c.bytes;
}

TEST(InternetSetup, ErrorsBeforeTheTransfer) {
    EXPECT_EQ(PreDownloadError(false, true, "offline"), "");
    EXPECT_EQ(PreDownloadError(true, true, "offline"), "!");
    EXPECT_EQ(PreDownloadError(true, false, "offline"), "offline");
    EXPECT_EQ(PreDownloadError(false, false, "offline"), "offline");
    EXPECT_FALSE(ShowsErrorBox(""));
    EXPECT_FALSE(ShowsErrorBox("!"));
    EXPECT_TRUE(ShowsErrorBox("offline"));
}

TEST(InternetSetup, TokenComparison) {
    const std::string url = "http://h/s.exe";
    const std::string page = "<html><head><title>Not here</title></head><body>IIS</body></html>";
    EXPECT_EQ(TokenError("abc", "abc", "MZ...", url), "");
    EXPECT_EQ(TokenError("abc", "ABC", "MZ...", url), "Bad Secret Token!");  // exact, case included
    EXPECT_EQ(TokenError("abc", "", "MZ...", url), "Bad Secret Token!");
    EXPECT_EQ(TokenError("abc", "123", page, url),
              "<B>404 File Not Found...</B><P><P>URL:  http://h/s.exe.<P><P>Please make sure the file is available "
              "and access is allowed to this file.<P><P>If you are using an IIS webserver you must define "
              "appropriate MIME-Types.");
    EXPECT_EQ(SetupFileUrl("http://h/dl", "s.exe"), "http://h/dl/s.exe");
}

std::string ImageWithRecordedLength(size_t size, uint32_t recorded) {
    std::string image(size, 'x');
    PutU32(reinterpret_cast<uint8_t*>(&image[kRecordedLengthOffset + 4]), recorded);
    return image;
}

TEST(InternetSetup, AgentImage) {
    const struct {
        size_t size;
        uint32_t recorded;
        size_t expected;
    } cases[] = {
        {20000, 20000, 20000},                         // nothing behind the recorded length
        {25000, 20000, 20000},                         // a signature behind it goes
        {29999, 20000, 20000}, {30000, 20000, 30000},  // 10000 bytes or more stay
        {20000, 25000, 20000},                         // a recorded length beyond the file is ignored
    };
    for (const auto& c : cases) {
        const std::string out = InternetAgentImage(ImageWithRecordedLength(c.size, c.recorded));
        ASSERT_EQ(out.size(), c.expected) << c.size;
        EXPECT_EQ(out[out.size() - 5], 1);
        EXPECT_EQ(out[out.size() - 4], 'x');
    }
    EXPECT_EQ(InternetAgentImage("abcde"), "abcde");  // too short to carry a flag
    EXPECT_EQ(InternetAgentImage("abcdef"), std::string("a\x01"
                                                        "cdef"));
}

TEST(InternetSetup, AgentImageOfASealedTrailerStillReads) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(4096);
    s.recordLength = true;
    ASSERT_TRUE(test::WritePackage(s, dir.Path("Setup.exe"), {{"a.txt", "a"}}));
    std::string image;
    ASSERT_TRUE(ReadWholeFile(dir.Path("Setup.exe"), image));
    const std::string agent = InternetAgentImage(image);
    MemorySource src(agent);
    const PackageReader r(src);
    EXPECT_FALSE(r.TrailerDamaged());
    EXPECT_EQ(r.trailer().isAgent, 1);
}

}  // namespace
}  // namespace rv
