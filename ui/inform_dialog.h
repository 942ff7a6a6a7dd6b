// The decisions of the information dialog, free of Windows calls: whether
// it shows at all, its text font, and where its text, link button and
// button band stand in a client area of a given size.
#pragma once

#include <string>

#include "ui/message_box.h"

namespace rv {

constexpr const char* kInformClassName = "VRichEditBox";
constexpr int kInformTextLeft = 3;
// The band under the text that holds the link button, its top line included.
constexpr int kInformBandHeight = 43;
constexpr int kInformButtonWidth = 160;
constexpr int kInformButtonHeight = 25;
// From the button's top to the bottom of the client area.
constexpr int kInformButtonRise = 33;
// The text font's height is a cell height in pixels, whatever the size of
// the button font.
constexpr int kInformTextFontHeight = 15;

enum class InformAction { Nothing, OpenLink, ShowWindow };
struct InformPlan {
    InformAction action;
    std::string link;  // trimmed
};
// A link alone is opened at once; text shows the window (with the link's
// button when there is a link); with neither nothing happens.
InformPlan PlanInform(const std::string& text, const std::string& link);

// "Verdana" stands in for no name and for "Tahoma" (compared case-sensitively).
std::string InformTextFace(const std::string& fontName);

struct InformLayout {
    Rect text;
    // The rest are empty without a link.
    Rect button;
    Rect line;  // COLOR_3DDKSHADOW, one pixel high
    Rect band;  // COLOR_BTNFACE, from under the line to the bottom
};
// Lengths are design values at 96 dots per inch, scaled to `dpi`.
InformLayout InformLayoutOf(Size client, bool withLink, int dpi);

}  // namespace rv
