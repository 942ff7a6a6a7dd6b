// Shows one information dialog for the gallery script's screenshots (the
// handshake is in gallery_util.h): a news text longer than the window, with
// and without the link button, one right to left in Hebrew (Windows-1255),
// and one in rich text.
#include <windows.h>

#include "tests/win/gallery_util.h"
#include "ui/inform_dialog_win.h"

namespace {

constexpr int kHebrew = 177;

const char kNews[] =
    "Ravlin 2.0 is available\r\n\r\n"
    "The new version installs twice as fast, needs less space on the temp drive and asks fewer questions.\r\n\r\n"
    "What has changed:\r\n"
    "- setups spanned over several disks ask for the next disk only once\r\n"
    "- the internet setup resumes a broken download where it stopped\r\n"
    "- the update agent checks for news on the schedule you chose\r\n"
    "- texts in right-to-left languages are aligned to the right\r\n\r\n"
    "Your settings and your files stay as they are. The update takes about a minute; close the program "
    "before you start it.\r\n\r\n"
    "Known problems: on Windows 95 the progress bar may stop for a few seconds while the temp drive is "
    "measured; the setup goes on by itself.\r\n\r\n"
    "Thank you for using Ravlin. If anything does not work as it should, tell us: every report is read "
    "and answered.\r\n\r\n"
    "The Ravlin team";

const char kHebrewTitle[] = "\xEE\xE4 \xE7\xE3\xF9";
const char kHebrewNews[] =
    "\xE2\xF8\xF1\xE4 2.0 \xE6\xEE\xE9\xF0\xE4 \xEB\xF2\xFA.\r\n\r\n\xE4\xE2\xF8\xF1\xE4 \xE4\xE7\xE3\xF9\xE4 "
    "\xEE\xE4\xE9\xF8\xE4 \xE9\xE5\xFA\xF8, \xF6\xE5\xF8\xEB\xFA \xF4\xE7\xE5\xFA \xE6\xE9\xEB\xF8\xE5\xEF "
    "\xE5\xEE\xFA\xF7\xF0\xFA \xE0\xFA \xE4\xE1\xF2\xE9\xE5\xFA \xF9\xE3\xE5\xE5\xE7\xE5 \xE1\xE2\xF8\xF1\xE4 "
    "\xE4\xF7\xE5\xE3\xEE\xFA.\r\n\r\n\xFA\xE5\xE3\xE4 \xF9\xE0\xFA\xED \xEE\xF9\xFA\xEE\xF9\xE9\xED "
    "\xE1\xEE\xE5\xF6\xF8 \xF9\xEC\xF0\xE5.";
const char kHebrewButton[] = "\xEC\xF4\xF8\xE8\xE9\xED \xF0\xE5\xF1\xF4\xE9\xED";

const char kRichNews[] =
    "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Verdana;}}\\f0\\fs20 {\\b Ravlin 2.0} is available.\\par\\par "
    "It brings {\\i faster} setups and {\\ul resumed} downloads.\\par\\par "
    "{\\b What to do:} nothing; the agent offers the update by itself.}";

rv::InformRequest News() {
    rv::InformRequest request;
    request.title = "What is new in Ravlin";
    request.fontName = "Tahoma";
    request.text = kNews;
    return request;
}

void ShowNews() { rv::InformDialog(nullptr, News()); }

void ShowNewsWithLink() {
    rv::InformRequest request = News();
    request.buttonText = "Read the whole announcement";
    request.link = "https://example.com/ravlin/news.html";
    rv::InformDialog(nullptr, request);
}

void ShowHebrew() {
    rv::InformRequest request;
    request.title = kHebrewTitle;
    request.charset = kHebrew;
    request.fontName = "Tahoma";
    request.rightToLeft = true;
    request.buttonText = kHebrewButton;
    request.link = "https://example.com/ravlin/news.he.html";
    request.text = kHebrewNews;
    rv::InformDialog(nullptr, request);
}

void ShowRich() {
    rv::InformRequest request = News();
    request.height = 240;
    request.text = kRichNews;
    rv::InformDialog(nullptr, request);
}

const rv::test::GalleryItem kDialogs[] = {
    {"inform_news", ShowNews},
    {"inform_link", ShowNewsWithLink},
    {"inform_hebrew", ShowHebrew},
    {"inform_rich", ShowRich},
};

}  // namespace

int main(int argc, char** argv) {
    return rv::test::RunGalleryItem(argc, argv, kDialogs, sizeof kDialogs / sizeof kDialogs[0], "VRichEditBox",
                                    "RichEdit");
}
