#include <gtest/gtest.h>

#include "ui/inform_dialog.h"

namespace rv {
namespace {

TEST(InformDialog, WhatShows) {
    const struct {
        const char* text;
        const char* link;
        InformAction action;
        const char* keptLink;
    } cases[] = {
        {"", "", InformAction::Nothing, ""},
        {"", " \t ", InformAction::Nothing, ""},
        {"", "  http://example.com/news.html ", InformAction::OpenLink, "http://example.com/news.html"},
        {"News", "", InformAction::ShowWindow, ""},
        {"News", " C:\\News.txt", InformAction::ShowWindow, "C:\\News.txt"},
        {" ", "", InformAction::ShowWindow, ""},  // a text is shown as it is
    };
    for (const auto& c : cases) {
        const InformPlan plan = PlanInform(c.text, c.link);
        EXPECT_EQ(plan.action, c.action) << c.text << "|" << c.link;
        EXPECT_EQ(plan.link, c.keptLink) << c.text << "|" << c.link;
    }
}

TEST(InformDialog, TextFace) {
    EXPECT_EQ(InformTextFace(""), "Verdana");
    EXPECT_EQ(InformTextFace("Tahoma"), "Verdana");
    EXPECT_EQ(InformTextFace("tahoma"), "tahoma");
    EXPECT_EQ(InformTextFace("MS Shell Dlg"), "MS Shell Dlg");
}

bool Equal(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

std::string Show(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

TEST(InformDialog, LayoutKeepsTheButtonCentredAboveTheBottom) {
    const struct {
        Size client;
        bool link;
        InformLayout expected;
    } cases[] = {
        {{344, 322}, false, {{3, 0, 341, 322}, {}, {}, {}}},
        {{344, 322}, true, {{3, 0, 341, 279}, {92, 289, 160, 25}, {0, 279, 344, 1}, {0, 280, 344, 42}}},
        {{601, 500}, true, {{3, 0, 598, 457}, {220, 467, 160, 25}, {0, 457, 601, 1}, {0, 458, 601, 42}}},
        // Narrower than the button: its offset is rounded toward zero.
        {{101, 60}, true, {{3, 0, 98, 17}, {-29, 27, 160, 25}, {0, 17, 101, 1}, {0, 18, 101, 42}}},
    };
    for (const auto& c : cases) {
        const InformLayout got = InformLayoutOf(c.client, c.link, 96);
        const std::string size = std::to_string(c.client.width) + "x" + std::to_string(c.client.height);
        EXPECT_TRUE(Equal(got.text, c.expected.text)) << size << " text " << Show(got.text);
        EXPECT_TRUE(Equal(got.button, c.expected.button)) << size << " button " << Show(got.button);
        EXPECT_TRUE(Equal(got.line, c.expected.line)) << size << " line " << Show(got.line);
        EXPECT_TRUE(Equal(got.band, c.expected.band)) << size << " band " << Show(got.band);
    }
}

// The band, the button and the line grow with the resolution; the button
// stays inside the band.
TEST(InformDialog, LayoutScalesWithTheResolution) {
    const Size client{344, 322};
    const struct {
        int dpi;
        InformLayout expected;
    } cases[] = {
        {96, {{3, 0, 341, 279}, {92, 289, 160, 25}, {0, 279, 344, 1}, {0, 280, 344, 42}}},
        {120, {{4, 0, 340, 268}, {72, 281, 200, 31}, {0, 268, 344, 1}, {0, 269, 344, 53}}},
        {144, {{5, 0, 339, 257}, {52, 272, 240, 38}, {0, 257, 344, 2}, {0, 259, 344, 63}}},
        {192, {{6, 0, 338, 236}, {12, 256, 320, 50}, {0, 236, 344, 2}, {0, 238, 344, 84}}},
    };
    for (const auto& c : cases) {
        const InformLayout got = InformLayoutOf(client, true, c.dpi);
        EXPECT_TRUE(Equal(got.text, c.expected.text)) << c.dpi << " text " << Show(got.text);
        EXPECT_TRUE(Equal(got.button, c.expected.button)) << c.dpi << " button " << Show(got.button);
        EXPECT_TRUE(Equal(got.line, c.expected.line)) << c.dpi << " line " << Show(got.line);
        EXPECT_TRUE(Equal(got.band, c.expected.band)) << c.dpi << " band " << Show(got.band);
        EXPECT_GT(got.button.top, got.band.top) << c.dpi;
        EXPECT_LE(got.button.top + got.button.height, client.height) << c.dpi;
    }
}

}  // namespace
}  // namespace rv
