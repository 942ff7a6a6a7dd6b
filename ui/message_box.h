// The decisions of the markup message box, free of Windows calls: the
// heading, the markup ("<P>", "<T>", "<B>"...</B>", "\\n", "\\t"), the text
// measurement, the geometry of the box, its buttons and the keys that
// choose them.
//
// The box looks and answers like the system message box: the style word
// carries the system MB_ bits and the results are the system button codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rv {

constexpr const char* kDefaultCaptions = "|Error|Attention|Confirm|";
enum CaptionField { kCaptionError = 0, kCaptionAttention = 1, kCaptionConfirm = 2 };

// Button codes, as the system message box returns them.
enum ButtonCode : int {
    kClosedNoButton = 0,
    kButtonOk = 1,
    kButtonCancel = 2,
    kButtonAbort = 3,
    kButtonRetry = 4,
    kButtonIgnore = 5,
    kButtonYes = 6,
    kButtonNo = 7,
};

// The style bits the box reads (system values).
constexpr uint32_t kStyleButtonSetMask = 0x0F;
constexpr uint32_t kStyleIconMask = 0xF0;
constexpr uint32_t kStyleRight = 0x80000;         // MB_RIGHT
constexpr uint32_t kStyleRtlReading = 0x100000;   // MB_RTLREADING
constexpr uint32_t kStyleModalTopmost = 0x52000;  // MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST
constexpr uint32_t kStyleError = 0x10;            // IDI_HAND, OK
constexpr uint32_t kStyleWarning = 0x30;          // IDI_EXCLAMATION, OK
constexpr uint32_t kStyleYesNo = 0x24;            // IDI_QUESTION, Yes/No
constexpr uint32_t kStyleOkCancel = 0x21;         // IDI_QUESTION, OK/Cancel

constexpr int kHebrewCharset = 177;
constexpr int kArabicCharset = 178;
constexpr int kDefaultCharset = 1;

// --- Heading and markup ------------------------------------------------------
std::string CaptionOrDefault(const std::string& caption, CaptionField field);
// The caption, upper-cased when it is one of the default captions (any
// non-empty part of kDefaultCaptions, compared case-sensitively).
std::string HeadingOf(const std::string& caption);
// The text with the caption as a bold heading and an empty line above it.
std::string WithHeading(const std::string& text, const std::string& caption);
// Hebrew and Arabic texts are right-aligned and read right to left.
uint32_t StyleForCharset(uint32_t style, int charset);

// "\\n" and "\\t" (two backslashes and a letter, case-sensitive), then
// "<P>" and "<T>" (any case) become CR LF and TAB.
std::string MarkupToPlain(const std::string& text);

// Zero-based character range [start, end) of the plain text.
struct BoldRange {
    int start;
    int end;
};
struct PlainText {
    std::string text;
    std::vector<BoldRange> bold;
};
// Removes "<B>" and "</B>" (any case), recording the run from each "<B>" to
// the next "</B>" as bold. A "<B>" inside a run, a "<B>" never closed and a
// "</B>" outside a run are removed and make nothing bold.
PlainText SplitBold(const std::string& text);
// The whole conversion: MarkupToPlain, the heading's leading "<" dropped,
// SplitBold.
PlainText ConvertMarkup(const std::string& markup);

// --- Measurement -------------------------------------------------------------
struct Size {
    int width;
    int height;
};
constexpr int kMaxTextWidth = 600;
// The lines whose extent counts: the text cut at CR LF, without an empty
// last piece; an empty text counts as one blank.
std::vector<std::string> MeasuredLines(const std::string& text);
// "MS PGothic" needs one more pixel per line than its metrics say.
int LineHeight(int tmHeight, int tmExternalLeading, const std::string& fontName);
// Width and height of the text block from the pixel extent of each line:
// no wider than kMaxTextWidth (at the resolution `dpi`), a longer line
// counting once more for every full such width.
Size TextBlockSize(const std::vector<int>& lineExtents, int lineHeight, int dpi);

// The height the control asks for when no line wraps: the measured height,
// plus one line when the text ends with a line break, which the control
// shows as an empty last line while the measurement leaves it out.
int UnwrappedHeight(const std::string& text, int measuredHeight, int lineHeight);

// Bold text is wider than the measurement assumed, so the control is widened
// in steps of 10 pixels until the height it asks for is no more than
// `unwrappedHeight`. `probe` resizes the control to the given width and
// returns the size the control then requests. Returns the width the control
// must end with.
constexpr int kWidenStep = 10;
constexpr int kWidenTries = 21;
template <class Probe>
int WidthFittingBold(int measuredWidth, int unwrappedHeight, Probe probe) {
    int widest = measuredWidth;
    for (int i = 0; i < kWidenTries; ++i) {
        const int width = measuredWidth + kWidenStep * i;
        const Size request = probe(width);
        if (unwrappedHeight >= request.height) return width;
        if (request.width > widest) widest = request.width;
    }
    return widest + kWidenStep;
}

// --- Geometry ------------------------------------------------------------------
// Every length below is a design value at 96 dots per inch; the functions
// take the window's resolution and give pixels at it (ScaleToDpi). The
// frame metrics are the system's, in pixels already.
struct Rect {
    int left;
    int top;
    int width;
    int height;
};
struct FrameMetrics {
    int frameX;   // SM_CXFRAME
    int frameY;   // SM_CYFRAME
    int caption;  // SM_CYCAPTION
};
constexpr int kLeftBandWidth = 54;
constexpr int kButtonBandHeight = 36;
constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 23;
constexpr int kMinBoxWidth = 360;
constexpr int kIconX = 11;
constexpr int kIconY = 20;
constexpr int kIconSize = 32;

// Outer size of the box around a text control of outer size `control`.
Size BoxSize(Size control, FrameMetrics frame, int dpi);
// Offset that centres `extent` in `available`, rounded toward zero.
int CentredOffset(int available, int extent);
// Where the text control stands in a client area of size `client`.
Rect TextControlRect(Size client, Size control, int dpi);
// Button `index` of `count`, right-aligned without gaps in the button band.
Rect ButtonRect(int index, int count, Size client, int dpi);
// Where the icon is drawn, and at what size.
Rect IconRect(int dpi);

// The areas painted on the client rectangle.
struct BoxPaintLayout {
    Rect window;      // COLOR_WINDOW, the whole client area
    Rect shadowLine;  // COLOR_3DDKSHADOW
    Rect lightLine;   // white
    Rect buttonBand;  // COLOR_BTNFACE
    Rect leftBand;    // RGB(kLeftBandRed, kLeftBandGreen, kLeftBandBlue)
};
constexpr uint8_t kLeftBandRed = 0, kLeftBandGreen = 78, kLeftBandBlue = 152;
BoxPaintLayout PaintLayoutOf(Size client, int dpi);

// The system icon (IDI_ value) of the style; 0 for the program's own icon.
int SystemIconOf(uint32_t style);

// --- Buttons -------------------------------------------------------------------
struct BoxButton {
    std::string label;
    int code;
};
// The buttons of the style's button set, left to right, labelled from the
// seven-field list (OK, Cancel, Yes, No, Abort, Retry, Ignore). A missing or
// empty field keeps its English default.
std::vector<BoxButton> ButtonsOf(uint32_t style, const std::string& labels);
// An index taken round the buttons, so one step before the first is the
// last; with no buttons it is 0.
int WrapButtonIndex(int index, int count);
int DefaultButtonIndex(uint32_t style, int count);

// --- Keys ----------------------------------------------------------------------
// Virtual-key codes the box reacts to (system values).
constexpr unsigned kKeyTab = 0x09, kKeyReturn = 0x0D, kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28;

// Alt + ch: the leftmost button whose label's second character is ch or
// upper-case ch (labels are written "&Yes"); -1 when none.
int AltKeyButton(char ch, const std::vector<BoxButton>& buttons);
// A letter key: the rightmost button whose label has that letter (any case)
// right after its first "&", or as its first character when it has no "&";
// -1 when none or when the key is not a letter.
int LetterKeyButton(unsigned virtualKey, const std::vector<BoxButton>& buttons);

enum class KeyAction { None, Choose, MoveFocus };
struct KeyDecision {
    KeyAction action;
    int button;  // the button chosen or to focus
};
// What a WM_KEYDOWN does; `focused` is the index of the button with the
// focus, -1 when none has it. The arrows and Tab move the focus round the
// buttons (Shift is not looked at) and are still dispatched; Enter chooses
// the focused button; a letter chooses by LetterKeyButton.
KeyDecision KeyDownDecision(unsigned virtualKey, int focused, const std::vector<BoxButton>& buttons);

}  // namespace rv
