#include <gtest/gtest.h>

#include "ui/message_box.h"

namespace rv {
namespace {

std::string Ranges(const PlainText& p) {
    std::string out;
    for (const BoldRange& r : p.bold) out += "[" + std::to_string(r.start) + "," + std::to_string(r.end) + ")";
    return out;
}

TEST(MessageBoxHeading, UpperCasedOnlyForTheDefaultCaptions) {
    struct Case {
        const char* caption;
        const char* heading;
    } cases[] = {
        {"Confirm", "CONFIRM"},
        {"Error", "ERROR"},
        {"Attention", "ATTENTION"},
        {"error", "error"},  // the test is case-sensitive
        {"Setup", "Setup"},  // not a default caption
        {"Err", "ERR"},      // any part of the default list counts
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(HeadingOf(c.caption), c.heading) << c.caption;
    EXPECT_EQ(CaptionOrDefault("", kCaptionConfirm), "Confirm");
    EXPECT_EQ(CaptionOrDefault("Mine", kCaptionError), "Mine");
}

TEST(MessageBoxHeading, ABoldHeadingAndOneEmptyLineAboveTheText) {
    const PlainText p = ConvertMarkup(WithHeading("Go on?", CaptionOrDefault("", kCaptionConfirm)));
    EXPECT_EQ(p.text, "CONFIRM\r\n\r\nGo on?\r\n");
    EXPECT_EQ(Ranges(p), "[0,7)");
}

TEST(MessageBoxMarkup, LineBreaksTabsAndBoldRuns) {
    struct Case {
        const char* markup;
        const char* text;
        const char* bold;
    } cases[] = {
        {"a<P>b<p>c", "a\r\nb\r\nc", ""},
        {"a<T>b<t>c", "a\tb\tc", ""},
        {"a\\\\nb\\\\tc", "a\r\nb\tc", ""},                       // two backslashes and a letter
        {"a\\\\Nb\\nc", "a\\\\Nb\\nc", ""},                       // escapes are case-sensitive; one backslash is text
        {"<b>x</b> <B>y</B>", "x y", "[0,1)[2,3)"},               // tags in any case
        {"<b>bold</b> then <b>rest", "bold then rest", "[0,4)"},  // unclosed: dropped
        {"a</b>b", "ab", ""},                                     // lone close: removed
        {"</b>x<b>y</b>", "xy", "[1,2)"},                         // a stray close does not cancel a later run
        {"<b>a<b>b</b>c", "abc", "[0,2)"},                        // an open inside a run is dropped
        {"<B><P>x</B>", "\r\nx", "[0,3)"},                        // positions count CR LF as two
        {"<b></b>x", "x", ""},                                    // an empty run bolds nothing
        {"<DRIVE> <i>x</i>", "<DRIVE> <i>x</i>", ""},             // other tags stay
        {"<<b>H</b>", "H", "[0,1)"},                              // the heading mark loses its "<"
        {"x<<b>H</b>", "x<H", "[2,3)"},                           // only at the start
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const PlainText p = ConvertMarkup(c.markup);
        EXPECT_EQ(p.text, c.text) << c.markup;
        EXPECT_EQ(Ranges(p), c.bold) << c.markup;
    }
}

TEST(MessageBoxMarkup, RightToLeftForHebrewAndArabic) {
    EXPECT_EQ(StyleForCharset(0x24, kHebrewCharset), 0x180024u);
    EXPECT_EQ(StyleForCharset(0x24, kArabicCharset), 0x180024u);
    EXPECT_EQ(StyleForCharset(0x24, 1), 0x24u);
    EXPECT_EQ(StyleForCharset(0x24, 161), 0x24u);
}

TEST(MessageBoxMeasure, LinesAndTextBlock) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(MeasuredLines(""), Lines({" "}));
    EXPECT_EQ(MeasuredLines("a\r\nb\r\n"), Lines({"a", "b"}));      // no empty last piece
    EXPECT_EQ(MeasuredLines("a\r\n\r\nb"), Lines({"a", "", "b"}));  // inner empty lines count
    EXPECT_EQ(MeasuredLines("\r\n"), Lines({""}));
    EXPECT_EQ(MeasuredLines("a\nb"), Lines({"a\nb"}));  // only CR LF breaks

    struct Case {
        std::vector<int> extents;
        int width, height;
    } cases[] = {
        {{100, 50}, 110, 26}, {{1000}, 600, 26},  // a 1000-pixel line: capped, and two lines high
        {{589}, 599, 13},     {{600}, 600, 26},   // every full 600 pixels adds a line
        {{1200, 0}, 600, 52}, {{}, 0, 0},
    };
    for (const Case& c : cases) {
        const Size s = TextBlockSize(c.extents, 13, 96);
        EXPECT_EQ(s.width, c.width) << c.extents.size();
        EXPECT_EQ(s.height, c.height) << c.extents.size();
    }
    EXPECT_EQ(TextBlockSize({1000}, 26, 192).width, 1020);  // the cap follows the resolution
    EXPECT_EQ(LineHeight(13, 2, "Tahoma"), 15);
    EXPECT_EQ(LineHeight(13, 2, " ms pgothic "), 16);
}

TEST(MessageBoxMeasure, WidenedForBoldUntilTheRequestFits) {
    struct Case {
        int fitsFrom;  // the first width at which no line wraps
        int expected;
    } cases[] = {
        {0, 300},    // fits at once
        {325, 330},  // after three steps
        {600, 510},  // never within 21 steps: the widest request plus one step
    };
    for (const Case& c : cases) {
        std::vector<int> tried;
        const int width = WidthFittingBold(300, 39, [&](int w) {
            tried.push_back(w);
            return Size{w, w >= c.fitsFrom ? 39 : 52};
        });
        EXPECT_EQ(width, c.expected) << c.fitsFrom;
        EXPECT_EQ(tried.front(), 300);
        EXPECT_LE(tried.size(), 21u);
    }
    // The control shows a final line break as one more, empty line.
    EXPECT_EQ(UnwrappedHeight("HEAD\r\n\r\ntext\r\n", 39, 13), 52);
    EXPECT_EQ(UnwrappedHeight("HEAD\r\n\r\ntext", 39, 13), 39);
}

TEST(MessageBoxGeometry, BoxSizeControlAndButtons) {
    const FrameMetrics frame{4, 4, 19};
    struct Case {
        Size control;
        Size box;
    } cases[] = {
        {{610, 26}, {610 + 8 + 64 + 54, 26 + 8 + 90 + 19 + 36}},  // wide: margin 32; short: 90
        {{150, 52}, {360, 52 + 8 + 64 + 19 + 36}},                // narrow: margin 64, at least 360
        {{300, 39}, {300 + 8 + 64 + 54, 39 + 8 + 64 + 19 + 36}},
    };
    for (const Case& c : cases) {
        const Size box = BoxSize(c.control, frame, 96);
        EXPECT_EQ(box.width, c.box.width) << c.control.width;
        EXPECT_EQ(box.height, c.box.height) << c.control.width;
    }
    EXPECT_EQ(CentredOffset(1024, 361), 331);
    EXPECT_EQ(CentredOffset(300, 361), -30);  // rounded toward zero

    const Rect text = TextControlRect({401, 160}, {300, 39}, 96);
    EXPECT_EQ(text.left, (401 - 300 - 54) / 2 + 54);
    EXPECT_EQ(text.top, (160 - 39 - 36) / 2);
    EXPECT_EQ(text.width, 300);
    EXPECT_EQ(text.height, 160 - 42 - 39);

    // Right-aligned without gaps, the last one 80 pixels from the right.
    const Size client{500, 200};
    for (int i = 0; i < 3; ++i) {
        const Rect b = ButtonRect(i, 3, client, 96);
        EXPECT_EQ(b.left, 500 - 80 - 70 * (2 - i));
        EXPECT_EQ(b.top, 171);
        EXPECT_EQ(b.width, 70);
        EXPECT_EQ(b.height, 23);
    }
    EXPECT_EQ(ButtonRect(0, 1, client, 96).left, 420);

    const BoxPaintLayout paint = PaintLayoutOf(client, 96);
    EXPECT_EQ(paint.shadowLine.top, 163);
    EXPECT_EQ(paint.lightLine.top, 164);
    EXPECT_EQ(paint.buttonBand.top, 165);
    EXPECT_EQ(paint.buttonBand.top + paint.buttonBand.height, 200);
    EXPECT_EQ(paint.leftBand.width, 54);
    EXPECT_EQ(paint.leftBand.height, 163);
}

// At every scale the buttons, the bands and the icon keep their proportions:
// the icon stays inside the band, the buttons inside the button band.
TEST(MessageBoxGeometry, ScalesWithTheResolution) {
    const FrameMetrics frame{4, 4, 19};
    const Size client{1000, 400};
    struct Case {
        int dpi;
        int buttonWidth, buttonHeight, bandWidth, iconSize;
        Size box;  // around a 610 x 26 text
    } cases[] = {
        {96, 70, 23, 54, 32, {736, 179}},
        {120, 88, 29, 68, 40, {766, 211}},
        {144, 105, 35, 81, 48, {795, 242}},
        {192, 140, 46, 108, 64, {854, 305}},
    };
    for (const Case& c : cases) {
        const Rect last = ButtonRect(2, 3, client, c.dpi), first = ButtonRect(0, 3, client, c.dpi);
        const BoxPaintLayout paint = PaintLayoutOf(client, c.dpi);
        const Rect icon = IconRect(c.dpi);
        const Size box = BoxSize({610, 26}, frame, c.dpi);
        EXPECT_EQ(last.width, c.buttonWidth) << c.dpi;
        EXPECT_EQ(last.height, c.buttonHeight) << c.dpi;
        EXPECT_EQ(first.left + 2 * c.buttonWidth, last.left) << c.dpi;
        EXPECT_EQ(paint.leftBand.width, c.bandWidth) << c.dpi;
        EXPECT_EQ(icon.width, c.iconSize) << c.dpi;
        EXPECT_EQ(box.width, c.box.width) << c.dpi;
        EXPECT_EQ(box.height, c.box.height) << c.dpi;
        EXPECT_LE(icon.left + icon.width, paint.leftBand.width) << c.dpi;
        EXPECT_LE(icon.top + icon.height, paint.leftBand.height) << c.dpi;
        EXPECT_GE(last.top, paint.buttonBand.top) << c.dpi;
        EXPECT_LE(last.top + last.height, client.height) << c.dpi;
        EXPECT_EQ(paint.lightLine.top, paint.shadowLine.top + paint.shadowLine.height) << c.dpi;
    }
}

TEST(MessageBoxButtons, SetsLabelsAndIcons) {
    struct Case {
        uint32_t style;
        const char* labelsAndCodes;
    } cases[] = {
        {0x10, "&OK=1"},
        {0x21, "&OK=1 &Cancel=2"},
        {0x02, "&Abort=3 &Retry=4 &Ignore=5"},
        {0x03, "&Yes=6 &No=7 &Cancel=2"},
        {0x24, "&Yes=6 &No=7"},
        {0x05, "&Retry=4 &Cancel=2"},
        {0x06, ""},
        {0x0F, ""},
    };
    for (const Case& c : cases) {
        std::string got;
        for (const BoxButton& b : ButtonsOf(c.style, "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"))
            got += (got.empty() ? "" : " ") + b.label + "=" + std::to_string(b.code);
        EXPECT_EQ(got, c.labelsAndCodes) << c.style;
    }
    const auto german = ButtonsOf(0x03, "|OK|&Abbrechen|&Ja|&Nein||||");
    EXPECT_EQ(german[0].label, "&Ja");
    EXPECT_EQ(german[2].label, "&Abbrechen");
    EXPECT_EQ(ButtonsOf(0x02, "|x|")[0].label, "&Abort");  // a missing field keeps its default

    EXPECT_EQ(SystemIconOf(0x10), 32513);  // IDI_HAND
    EXPECT_EQ(SystemIconOf(0x24), 32514);  // IDI_QUESTION
    EXPECT_EQ(SystemIconOf(0x30), 32515);  // IDI_EXCLAMATION
    EXPECT_EQ(SystemIconOf(0x40), 32516);  // IDI_ASTERISK
    EXPECT_EQ(SystemIconOf(0x00), 0);
    EXPECT_EQ(SystemIconOf(0x50), 0);
}

TEST(MessageBoxButtons, DefaultButtonWrapsRoundTheButtons) {
    struct Case {
        uint32_t style;
        int count, index;
    } cases[] = {
        {0x024, 2, 0}, {0x124, 2, 1}, {0x224, 2, 0}, {0x203, 3, 2},
        {0x303, 3, 0}, {0xF03, 3, 0}, {0x110, 1, 0}, {0x106, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(DefaultButtonIndex(c.style, c.count), c.index) << c.style;
    EXPECT_EQ(WrapButtonIndex(-1, 3), 2);
    EXPECT_EQ(WrapButtonIndex(-2, 3), 1);  // no focus, one back
    EXPECT_EQ(WrapButtonIndex(-2, 1), 0);
    EXPECT_EQ(WrapButtonIndex(3, 3), 0);
}

TEST(MessageBoxKeys, AltLettersLetterKeysAndMoves) {
    const std::vector<BoxButton> yesNoCancel = ButtonsOf(0x03, "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|");
    const std::vector<BoxButton> odd = {{"Save", 1}, {"S&kip", 2}, {"&Stop", 3}, {"&", 4}};
    struct AltCase {
        char ch;
        int button;
    } altCases[] = {{'y', 0}, {'Y', 0}, {'n', 1}, {'c', 2}, {'x', -1}};
    for (const AltCase& c : altCases) EXPECT_EQ(AltKeyButton(c.ch, yesNoCancel), c.button) << c.ch;
    // The second character counts, "&" or not; the leftmost match wins.
    EXPECT_EQ(AltKeyButton('a', odd), 0);
    EXPECT_EQ(AltKeyButton('s', odd), 2);

    struct LetterCase {
        unsigned key;
        int button;
    } letterCases[] = {
        {'N', 1},   {'Y', 0}, {'C', 2}, {'Q', -1}, {0x61, -1},  // VK_NUMPAD1 has the code of "a"
        {0x70, -1},                                             // VK_F1 has the code of "p"
    };
    for (const LetterCase& c : letterCases) EXPECT_EQ(LetterKeyButton(c.key, yesNoCancel), c.button) << c.key;
    // No "&": the first character; the rightmost match wins; "&" at the end answers to nothing.
    EXPECT_EQ(LetterKeyButton('S', odd), 2);
    EXPECT_EQ(LetterKeyButton('K', odd), 1);

    struct MoveCase {
        unsigned key;
        int focused;
        KeyAction action;
        int button;
    } moves[] = {
        {kKeyTab, 0, KeyAction::MoveFocus, 1},   {kKeyRight, 2, KeyAction::MoveFocus, 0},
        {kKeyDown, -1, KeyAction::MoveFocus, 0}, {kKeyLeft, 0, KeyAction::MoveFocus, 2},
        {kKeyUp, -1, KeyAction::MoveFocus, 1},   {kKeyReturn, 1, KeyAction::Choose, 1},
        {kKeyReturn, -1, KeyAction::None, -1},   {'N', -1, KeyAction::Choose, 1},
        {0x1B, 0, KeyAction::None, -1},  // Escape does nothing
    };
    for (const MoveCase& c : moves) {
        const KeyDecision d = KeyDownDecision(c.key, c.focused, yesNoCancel);
        EXPECT_EQ(d.action, c.action) << c.key << " from " << c.focused;
        EXPECT_EQ(d.button, c.button) << c.key << " from " << c.focused;
    }
    EXPECT_EQ(KeyDownDecision(kKeyTab, -1, {}).action, KeyAction::None);
}

}  // namespace
}  // namespace rv
