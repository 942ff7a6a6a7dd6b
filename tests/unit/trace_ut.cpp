#include <gtest/gtest.h>

#include "base/clock.h"
#include "env/trace.h"

namespace rv {
namespace {

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

}  // namespace
}  // namespace rv
