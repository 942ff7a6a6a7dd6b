#include <gtest/gtest.h>

#include "proc/process.h"

namespace rv {
namespace {

TEST(ProcessMatch, PathNameAndShortForm) {
    const ProcessImage app{"C:\\Program Files\\Acme\\Acme App.exe", "Acme App.exe", "C:\\PROGRA~1\\Acme\\ACMEAP~1.EXE"};
    const ProcessImage silent{"C:\\Apps\\tool.exe", "tool.exe", ""};
    struct Case {
        PathQuery query;
        const ProcessImage& image;
        bool noNameMatch;
        bool expected;
    } cases[] = {
        {{"C:\\Program Files\\Acme\\Acme App.exe", ""}, app, true, true},
        {{"  c:\\program files\\ACME\\acme app.EXE \t", ""}, app, true, true},  // blanks and case
        {{"C:\\Program Files\\Acme\\Acme App.ex", ""}, app, false, false},
        {{"Acme App.exe", ""}, app, false, true},  // bare name
        {{"acme app.exe ", ""}, app, false, true},
        {{"Acme App.exe", ""}, app, true, false},              // bare name switched off
        {{"D:\\Other\\Acme App.exe", ""}, app, false, false},  // same name, other folder
        {{"C:\\PROGRA~1\\ACME\\ACMEAP~1.EXE", "c:\\progra~1\\acme\\acmeap~1.exe"}, app, true, true},
        {{"C:\\PROGRA~1\\ACME\\ACMEAP~1.EXE", ""}, app, true, false},  // path without a short form
        {{"C:\\Apps\\tool.exe", "C:\\Apps\\tool.exe"}, silent, true, true},
        {{"C:\\Apps\\other.exe", "C:\\Apps\\other.exe"}, silent, true, false},
        {{"", ""}, ProcessImage{}, false, false},  // empty path finds nothing
        {{"   ", "  "}, ProcessImage{"  ", "", " "}, false, false},
        {{"x.exe", ""}, ProcessImage{}, false, false},  // unreadable process
    };
    for (const Case& c : cases)
        EXPECT_EQ(ImageMatches(c.query, c.image, c.noNameMatch), c.expected)
            << "'" << c.query.path << "' against '" << c.image.path << "' noNameMatch=" << c.noNameMatch;
}

TEST(ProcessIdBuffer, GrowsWhileTheListFillsIt) {
    struct Case {
        size_t buffer, returned, next;
    } cases[] = {
        {1024, 0, 0}, {1024, 4, 0}, {1024, 1020, 0}, {1024, 1024, 2048}, {2048, 2048, 3072}, {3072, 2000, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextIdBufferSize(c.buffer, c.returned), c.next) << c.buffer << "/" << c.returned;
}

TEST(WaitLimit, ElapsedTimeAcrossTheTickWrap) {
    struct Case {
        uint32_t start;
        int32_t limit;
        uint32_t now;
        bool passed;
    } cases[] = {
        {1000, 5000, 1000, false},
        {1000, 5000, 6000, false},  // exactly the limit: not yet
        {1000, 5000, 6001, true},
        {1000, 0, 4000000000u, false},  // 0 and below: no limit
        {1000, -1, 4000000000u, false},
        {0x7FFFFF00u, 5000, 0x7FFFFF00u + 100, false},  // deadline past 2^31
        {0x7FFFFF00u, 5000, 0x80001290u, true},
        {0xFFFFF000u, 5000, 0xFFFFF100u, false},  // deadline wraps
        {0xFFFFF000u, 5000, 0x00000100u, false},
        {0xFFFFF000u, 5000, 0x00000389u, true},
        {0xFFFFFFFFu, 1, 0x00000001u, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LimitPassed(c.start, c.limit, c.now), c.passed)
            << std::hex << c.start << " +" << std::dec << c.limit << " at " << std::hex << c.now;
}

WindowFacts Win(int rootOwner, bool titled, bool visible) { return WindowFacts{rootOwner, titled, visible}; }

TEST(MainWindow, ScoresCountOwnedWindowsTitleAndVisibility) {
    // 0: plain visible titled window; 1: visible titled owner of 2 and 3.
    const std::vector<WindowFacts> windows = {Win(-1, true, true),  Win(-1, true, true),   Win(1, true, true),
                                              Win(1, false, false), Win(-1, false, false), Win(-1, true, false),
                                              Win(-1, false, true)};
    EXPECT_EQ(ScoreWindows(windows), (std::vector<uint16_t>{3, 11, 3, 0, 0, 2, 1}));
    EXPECT_EQ(ChooseMainWindow(ScoreWindows(windows)), 1);
}

TEST(MainWindow, OwnerChainsEndingOutsideTheListScoreNothing) {
    // Window 1 is owned by a window of another process, so its chain ends
    // outside the list; 2 and 3 end at 0, directly or through another owner.
    const std::vector<WindowFacts> windows = {Win(-1, false, false), Win(-1, false, false), Win(0, false, false),
                                              Win(0, false, false)};
    EXPECT_EQ(ScoreWindows(windows), (std::vector<uint16_t>{8, 0, 0, 0}));
    EXPECT_EQ(ChooseMainWindow(ScoreWindows(windows)), 0);  // owning alone makes a hidden untitled window main
}

TEST(MainWindow, InputMethodWindowsAreTheSystems) {
    for (const char* name : {"IME", "ime", "MSCTFIME UI", "msctfime ui"}) EXPECT_TRUE(IsImeWindowClass(name)) << name;
    for (const char* name : {"", "IMEX", "Fixture", "#32770", "MSCTFIME"}) EXPECT_FALSE(IsImeWindowClass(name)) << name;
}

TEST(MainWindow, WinnerChoice) {
    struct Case {
        std::vector<uint16_t> scores;
        int winner;
    } cases[] = {
        {{}, -1},         {{0}, -1},         {{0, 0, 0}, -1},  // only hidden untitled windows: none
        {{1}, 0},         {{0, 2}, 1},       {{3, 3}, 0},      // tie: the earlier one
        {{3, 11, 11}, 1}, {{1, 2, 3, 2}, 2}, {{0, 0, 1}, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseMainWindow(c.scores), c.winner) << ::testing::PrintToString(c.scores);
}

TEST(MainWindow, AFullStoreDoesNotOverflowTheScore) {
    std::vector<WindowFacts> windows(kMaxProcessWindows, Win(0, true, true));
    windows[0] = Win(-1, true, true);
    const std::vector<uint16_t> scores = ScoreWindows(windows);
    EXPECT_EQ(scores[0], (kMaxProcessWindows - 1) * 4 + 3);
    EXPECT_EQ(ChooseMainWindow(scores), 0);
}

}  // namespace
}  // namespace rv
