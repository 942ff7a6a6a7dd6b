// The information dialog: a longer text (the news that the update agent
// delivers) in a resizable window with a read-only RichEdit 1.0 control,
// and, when there is a link, one wide button under it that opens the link
// through the shell and closes the window. One window at a time, from the
// main thread; it runs its own message loop and the owner stays enabled.
#pragma once

#include <windows.h>

#include <string>

namespace rv {

struct InformRequest {
    std::string title, buttonText;
    int charset = 0;
    int fontSize = 8;  // points, of the button font
    std::string fontName;
    bool rightToLeft = false;
    int height = 360, width = 360;  // outer size, pixels
    std::string link, text;         // the text goes into the control as it is: plain or rich text
};

// 1 when it opened the link or showed the window, 0 when text and link are both empty.
int InformDialog(HWND owner, const InformRequest& request);

}  // namespace rv
