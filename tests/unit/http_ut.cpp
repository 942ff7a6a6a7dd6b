#include <gtest/gtest.h>

#include <climits>

#include "format/bytes.h"
#include "format/package_format.h"
#include "format/package_reader.h"
#include "format/std_file.h"
#include "net/http.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

TEST(Http, PartialFileNameAddsSizeAndDate) {
    EXPECT_EQ(PartialFileName("C:\\T\\Setup.exe", 1000, 0x5A8B0000u), "C:\\T\\Setup.exe.1519059944");
    EXPECT_EQ(PartialFileName("a", 5, 0), "a.5");
    EXPECT_EQ(PartialFileName("a", INT64_MAX, 1), "a.-9223372036854775808");
}

TEST(Http, ChunkSizes) {
    const struct {
        int64_t size;
        uint32_t chunk;
        int range;
    } cases[] = {
        {0, 0, 1},
        {-1, 0, 1},
        {1, 1, 2},
        {9, 9, 2},  // tiny files are read whole
        {10, 1, 11},
        {99, 9, 12},
        {1000, 100, 11},
        {102400, 10240, 11},
        {1048576, 10240, 103},
        {INT64_MAX, 10240, INT_MAX},  // more steps than a progress bar counts: its end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadChunkSize(c.size), c.chunk) << c.size;
        EXPECT_EQ(ProgressRange(c.size, c.chunk), c.range) << c.size;
    }
    EXPECT_EQ(ProgressPosition(5000, 1000), 5);
    EXPECT_EQ(ProgressPosition(5600, 1000), 6);
    EXPECT_EQ(ProgressPosition(5, 0), 0);
    EXPECT_EQ(ProgressPosition(INT64_MAX, 10240), INT_MAX);
}

TEST(Http, ContentRanges) {
    const struct {
        const char* text;
        bool ok;
        int64_t first, last, total;
    } cases[] = {
        {"bytes 100-199/200", true, 100, 199, 200}, {"BYTES 0-0/1", true, 0, 0, 1},
        {"bytes 100-199/*", false, 0, 0, 0},        {"bytes */200", false, 0, 0, 0},
        {"bytes 200-100/300", false, 0, 0, 0},      {"bytes 100-199/150", false, 0, 0, 0},
        {"bytes 100-199/200 ", false, 0, 0, 0},     {"", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ContentRange r;
        ASSERT_EQ(ParseContentRange(c.text, r), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(r.first, c.first);
        EXPECT_EQ(r.last, c.last);
        EXPECT_EQ(r.total, c.total);
    }
}

TEST(Http, RangeAnswers) {
    const struct {
        int status;
        const char* range;
        int64_t offset, size;
        RangeAnswer answer;
    } cases[] = {
        {206, "bytes 300-999/1000", 300, 1000, RangeAnswer::Append},
        {200, "", 300, 1000, RangeAnswer::Restart},
        {206, "bytes 0-999/1000", 300, 1000, RangeAnswer::Retry},     // not where the file stops
        {206, "bytes 300-1199/1200", 300, 1000, RangeAnswer::Retry},  // another file on the server
        {206, "bytes 300-499/1000", 300, 1000, RangeAnswer::Retry},   // only a part of the rest
        {206, "", 300, 1000, RangeAnswer::Retry},
        {416, "bytes */1000", 300, 1000, RangeAnswer::Retry},
        {404, "", 300, 1000, RangeAnswer::Retry},
    };
    for (const auto& c : cases) EXPECT_EQ(JudgeRangeAnswer(c.status, c.range, c.offset, c.size), c.answer) << c.range;
    EXPECT_EQ(RangeHeader(300), "Range: bytes=300-\r\n");
}

TEST(Http, NothingBeyondTheStatedLength) {
    const struct {
        int64_t received;
        uint32_t got;
        int64_t size;
        bool within;
    } cases[] = {
        {0, 100, 100, true},         {0, 101, 100, false},
        {90, 10, 100, true},         {90, 11, 100, false},
        {100, 1, 100, false},        {100, 0, 100, true},
        {-1, 1, 100, false},         {INT64_MAX - 5, 10240, INT64_MAX, false},
        {0, 10240, INT64_MAX, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithinStatedLength(c.received, c.got, c.size), c.within)
            << c.received << "+" << c.got << "/" << c.size;
}

TEST(Http, WorthResumingOnlyAPartOfTheFile) {
    EXPECT_FALSE(WorthResuming(0, 100));
    EXPECT_TRUE(WorthResuming(1, 100));
    EXPECT_TRUE(WorthResuming(99, 100));
    EXPECT_FALSE(WorthResuming(100, 100));
    EXPECT_FALSE(WorthResuming(150, 100));
}

TEST(Http, RateTextOverTheLastFiveReads) {
    TransferRate rate;
    rate.Reset(1000);
    EXPECT_EQ(rate.Text(0, 5000), "0/5000 Bytes ");  // no time has passed yet
    rate.Add(1500, 1024);
    EXPECT_EQ(rate.Text(1024, 5000), "1024/5000 Bytes 2.00 KB/Sec");
    for (uint32_t t : {2000u, 2500u, 3000u, 3500u}) rate.Add(t, 1024);
    // The oldest tick left is 1500: 5 KB in 2 s.
    EXPECT_EQ(rate.Text(5120, 5000), "5120/5000 Bytes 2.50 KB/Sec");
    rate.Reset(0xFFFFFF00u);  // the tick count wraps
    rate.Add(0x100u, 512);
    EXPECT_EQ(rate.Text(512, 512), "512/512 Bytes 0.98 KB/Sec");
}

TEST(Http, TransferErrors) {
    const std::string url = "http://h/s.exe";
    EXPECT_EQ(TransferError(false, 100, 100, url), "");
    EXPECT_EQ(TransferError(true, 100, 100, url), "Download Aborted");
    EXPECT_EQ(TransferError(true, 50, 100, url), "Download Aborted");
    EXPECT_EQ(TransferError(false, 50, 100, url), "Download Incomplete (50/100 Bytes)<P>URL: http://h/s.exe");
    EXPECT_EQ(http_error::Init(), "Unable to initialize \"WinINet.dll\"");
    EXPECT_EQ(http_error::Open(url), "Unable to open Internet Connection <P>URL: http://h/s.exe");
    EXPECT_EQ(http_error::NotFound(url), "http://h/s.exe<P><P>File Not Found !");
}

}  // namespace
}  // namespace rv
