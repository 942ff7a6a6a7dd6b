// Shows one markup message box for the gallery script's screenshots
// (the handshake is in gallery_util.h). The texts are in the code page of
// each box's character set, as a language block would hold them.
#include <windows.h>

#include <string>

#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/window_win.h"
#include "tests/win/gallery_util.h"
#include "ui/message_box_win.h"

namespace {

constexpr int kHebrew = 177;
constexpr int kArabic = 178;

// Windows-1255.
const char kHebrewCaption[] = "\xE4\xFA\xF7\xF0\xE4";
const char kHebrewText[] =
    "\xE4\xFA\xE5\xEB\xF0\xE4 \xFA\xE7\xEC\xF5 \xF7\xE1\xF6\xE9\xED \xEC\xEB\xE5\xF0\xEF \xE4\xE6\xEE\xF0\xE9."
    "<P><P><B>\xEC\xE4\xEE\xF9\xE9\xEA \xE1\xE4\xFA\xF7\xF0\xE4?</B>";
const char kHebrewButtons[] =
    "|&\xE0\xE9\xF9\xE5\xF8|&\xE1\xE9\xE8\xE5\xEC|&\xEB\xEF|&\xEC\xE0|&\xE1\xE8\xEC|&\xF0\xF1\xE4 \xF9\xE5\xE1|"
    "&\xE4\xFA\xF2\xEC\xED|";
// Windows-1256.
const char kArabicCaption[] = "\xC5\xDA\xCF\xC7\xCF";
const char kArabicText[] =
    "\xD3\xED\xDE\xE6\xE3 \xC7\xE1\xC8\xD1\xE4\xC7\xE3\xCC \xC8\xC7\xD3\xCA\xCE\xD1\xC7\xCC \xC7\xE1\xE3\xE1\xDD\xC7"
    "\xCA \xC5\xE1\xEC \xC7\xE1\xDE\xD1\xD5 \xC7\xE1\xE3\xC4\xDE\xCA.<P><P><B>\xE5\xE1 \xCA\xD1\xED\xCF \xE3\xCA\xC7"
    "\xC8\xDA\xC9 \xC7\xE1\xC5\xDA\xCF\xC7\xCF\xBF</B>";
const char kArabicButtons[] =
    "|&\xE3\xE6\xC7\xDD\xDE|&\xC5\xE1\xDB\xC7\xC1|&\xE4\xDA\xE3|&\xE1\xC7|&\xC5\xCD\xC8\xC7\xD8|&\xC5\xDA\xC7\xCF"
    "\xC9|&\xCA\xCC\xC7\xE5\xE1|";
// Windows-1252.
const char kGermanCaption[] =
    "Best\xE4"
    "tigen";
const char kGermanText[] =
    "Die Dateien werden entpackt.<P><P>M\xF6"
    "chten Sie die Installation fortsetzen?";
const char kGermanButtons[] = "|OK|&Abbrechen|&Ja|&Nein|&Abbruch|&Wiederholen|&Ignorieren|";

// A line of words that the box font draws at least 1000 pixels wide.
std::string LongLine() {
    rv::GdiObject font(CreateFontA(-rv::PointsToPixels(rv::kDefaultFontSize), 0, 0, 0, 0, FALSE, FALSE, FALSE,
                                   DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                   rv::kDefaultFontName));
    const rv::WindowDC dc(nullptr);
    const rv::SelectedObject selected(dc.get(), font.get());
    std::string line = "This line is wider than any box:";
    SIZE extent{};
    while (extent.cx < 1000) {
        line += " more words";
        GetTextExtentPoint32A(dc.get(), line.data(), static_cast<int>(line.size()), &extent);
    }
    return "The text below is one line of " + rv::IntText(extent.cx) + " pixels.<P><P>" + line;
}

void ShowError() {
    rv::ErrorBox(rv::BoxSettings(), nullptr, "Bad CRC!<P>This indicates that your setup file might be corrupted...");
}

void ShowAttention() {
    rv::WarningBox(rv::BoxSettings(), nullptr,
                   "Please insert <B>DISK #2</B> and press OK to continue.<P>(This box closes by itself.)", "", 60000);
}

void ShowYesNo() {
    rv::ConfirmYesNo(rv::BoxSettings(), nullptr,
                     "Ravlin will extract files to your Temp Drive (C:)<P><P>Estimated space required on your Temp "
                     "drive is: <T>  12 MB<P>Free space available on your Temp drive is: <T>  3 MB<P><P>Continue with "
                     "Setup?");
}

void ShowOkCancel() {
    rv::ConfirmOkCancel(rv::BoxSettings(), rv::OwnerWithoutHeading(),
                        "<b>INTERNET DOWNLOAD</b><p><p>Ravlin will download the Setup File from the Internet...<p>"
                        "Please make sure your Internet connection is properly set.<p><p>Size: 24 MB");
}

void ShowLongLine() { rv::ErrorBox(rv::BoxSettings(), nullptr, LongLine(), "Attention"); }

void ShowHebrew() {
    rv::BoxSettings boxes;
    boxes.SetFont(rv::kDefaultFontName, 0, kHebrew);
    rv::ConfirmYesNo(boxes, nullptr, kHebrewText, kHebrewCaption, kHebrew, kHebrewButtons);
}

void ShowArabic() {
    rv::BoxSettings boxes;
    boxes.SetFont(rv::kDefaultFontName, 0, kArabic);
    rv::ConfirmYesNo(boxes, nullptr, kArabicText, kArabicCaption, kArabic, kArabicButtons);
}

void ShowTranslated() {
    rv::MarkupMessageBox(rv::BoxSettings(), nullptr, kGermanText, kGermanCaption, 0, MB_YESNOCANCEL | MB_ICONQUESTION,
                         0, kGermanButtons);
}

const rv::test::GalleryItem kBoxes[] = {
    {"error", ShowError},       {"attention", ShowAttention}, {"yesno", ShowYesNo},   {"okcancel", ShowOkCancel},
    {"longline", ShowLongLine}, {"hebrew", ShowHebrew},       {"arabic", ShowArabic}, {"translated", ShowTranslated},
};

}  // namespace

int main(int argc, char** argv) {
    return rv::test::RunGalleryItem(argc, argv, kBoxes, sizeof kBoxes / sizeof kBoxes[0], "VMsgBox", "Button");
}
