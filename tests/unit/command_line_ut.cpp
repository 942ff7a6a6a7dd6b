#include "base/command_line.h"

#include <gtest/gtest.h>

namespace rv {
namespace {

TEST(CommandLine, ProgramsAreQuotedAndNamedApart) {
    const struct {
        const char* program;
        const char* arguments;
        const char* line;
    } cases[] = {
        {"C:\\T\\SETUP_1\\setup.exe", "", "\"C:\\T\\SETUP_1\\setup.exe\""},
        {"C:\\Program Files\\My Setup.exe", " /S /x=1 ", "\"C:\\Program Files\\My Setup.exe\" /S /x=1"},
        {"C:\\A\\X_Upd.exe", " /TRANSIENTx=1", "\"C:\\A\\X_Upd.exe\" /TRANSIENTx=1"},
        {"C:\\100% a\\b.exe", "", "\"C:\\100% a\\b.exe\""},
    };
    for (const auto& c : cases) {
        const ProgramStart start = ProgramStartFor(c.program, c.arguments);
        EXPECT_EQ(start.application, c.program);
        EXPECT_EQ(start.commandLine, c.line) << c.program;
        EXPECT_EQ(ProgramStartOf(start.commandLine).application, c.program);
    }
    // A line without a quoted program names no application: nothing starts.
    EXPECT_EQ(ProgramStartOf("C:\\Program Files\\x.exe /S").application, "");
    EXPECT_EQ(ProgramStartOf("\"C:\\x.exe").application, "");
}

TEST(CommandLine, QuotedPathsKeepTheirClosingQuote) {
    const struct {
        const char* path;
        const char* quoted;
    } cases[] = {
        {"C:\\a b\\c.exe", "\"C:\\a b\\c.exe\""},
        {"C:\\", "\"C:\\\\\""},  // a lone final backslash would escape the quote
        {"C:\\dir\\\\", "\"C:\\dir\\\\\\\\\""},
        {"", "\"\""},
    };
    for (const auto& c : cases) EXPECT_EQ(QuotedPath(c.path), c.quoted) << c.path;
}

}  // namespace
}  // namespace rv
