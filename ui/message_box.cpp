#include "ui/message_box.h"

#include <cstring>

#include "base/numbers.h"
#include "base/text.h"
#include "format/language.h"

namespace rv {

namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr const char* kHeadingMark = "<<b>";
constexpr const char* kBoldOpen = "<B>";
constexpr const char* kBoldClose = "</B>";
// "MS PGothic" reports one pixel less per line than it draws.
constexpr const char* kTallLineFont = "MS PGothic";

constexpr int kWideMargin = 64;  // round a narrow text
constexpr int kMargin = 32;
constexpr int kNarrowText = 200;
constexpr int kShortText = 39;  // below it the box keeps room for the icon
constexpr int kShortTextExtra = 90;
constexpr int kTextExtra = 64;
constexpr int kTextBottomGap = 39;
constexpr int kButtonRightGap = 80;
constexpr int kButtonTopFromBottom = 29;
constexpr int kShadowLineFromBottom = 37;

bool At(const std::string& upper, size_t i, const char* tag) { return upper.compare(i, strlen(tag), tag) == 0; }

// The letter a label answers to: the one after its first "&", else its
// first character; 0 when there is none.
char MnemonicOf(const std::string& label) {
    const size_t amp = label.find('&');
    if (amp == std::string::npos) return label.empty() ? '\0' : label[0];
    return amp + 1 < label.size() ? label[amp + 1] : '\0';
}

struct ButtonSlot {
    int field;  // of the label list; -1 = no button
    int code;
};
constexpr int kButtonSetCount = 6;
constexpr ButtonSlot kButtonSets[kButtonSetCount][3] = {
    {{0, kButtonOk}, {-1, 0}, {-1, 0}},
    {{0, kButtonOk}, {1, kButtonCancel}, {-1, 0}},
    {{4, kButtonAbort}, {5, kButtonRetry}, {6, kButtonIgnore}},
    {{2, kButtonYes}, {3, kButtonNo}, {1, kButtonCancel}},
    {{2, kButtonYes}, {3, kButtonNo}, {-1, 0}},
    {{5, kButtonRetry}, {1, kButtonCancel}, {-1, 0}},
};

}  // namespace

std::string CaptionOrDefault(const std::string& caption, CaptionField field) {
    return caption.empty() ? ListField(kDefaultCaptions, field) : caption;
}

std::string HeadingOf(const std::string& caption) {
    const bool isDefault = !caption.empty() && std::string(kDefaultCaptions).find(caption) != std::string::npos;
    return isDefault ? UpperCase(caption) : caption;
}

std::string WithHeading(const std::string& text, const std::string& caption) {
    return kHeadingMark + HeadingOf(caption) + "</b><P><P>" + text + "<P>";
}

uint32_t StyleForCharset(uint32_t style, int charset) {
    const bool rightToLeft = charset == kHebrewCharset || charset == kArabicCharset;
    return rightToLeft ? style | kStyleRight | kStyleRtlReading : style;
}

std::string MarkupToPlain(const std::string& text) {
    std::string plain = ReplaceAll(text, "\\\\n", kLineBreak, false);
    plain = ReplaceAll(plain, "\\\\t", "\t", false);
    plain = ReplaceAll(plain, "<P>", kLineBreak, true);
    return ReplaceAll(plain, "<T>", "\t", true);
}

PlainText SplitBold(const std::string& text) {
    const std::string upper = UpperCase(text);
    PlainText result;
    bool inRun = false;
    int runStart = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (At(upper, i, kBoldOpen)) {
            if (!inRun) runStart = static_cast<int>(result.text.size());
            inRun = true;
            i += strlen(kBoldOpen);
        } else if (At(upper, i, kBoldClose)) {
            const int runEnd = static_cast<int>(result.text.size());
            if (inRun && runEnd > runStart) result.bold.push_back({runStart, runEnd});
            inRun = false;
            i += strlen(kBoldClose);
        } else {
            result.text += text[i++];
        }
    }
    return result;
}

PlainText ConvertMarkup(const std::string& markup) {
    const std::string plain = MarkupToPlain(markup);
    // The heading enters as "<<b>", so that a caption can never be taken for
    // the start of the caller's own markup.
    return SplitBold(StartsWith(kHeadingMark, plain, false) ? plain.substr(1) : plain);
}

std::vector<std::string> MeasuredLines(const std::string& text) {
    if (text.empty()) return {" "};
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(kLineBreak, start);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + strlen(kLineBreak);
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

int LineHeight(int tmHeight, int tmExternalLeading, const std::string& fontName) {
    return tmHeight + tmExternalLeading + (SameText(fontName, kTallLineFont) ? 1 : 0);
}

int UnwrappedHeight(const std::string& text, int measuredHeight, int lineHeight) {
    return measuredHeight + (EndsWith(kLineBreak, text, false) ? lineHeight : 0);
}

Size TextBlockSize(const std::vector<int>& lineExtents, int lineHeight, int dpi) {
    const int widen = ScaleToDpi(kWidenStep, dpi), maxWidth = ScaleToDpi(kMaxTextWidth, dpi);
    Size size{0, 0};
    for (int cx : lineExtents) {
        if (cx + widen > size.width) size.width = cx + widen;
        size.height += (cx / maxWidth + 1) * lineHeight;
    }
    if (size.width > maxWidth) size.width = maxWidth;
    return size;
}

Size BoxSize(Size control, FrameMetrics frame, int dpi) {
    const auto px = [dpi](int design) { return ScaleToDpi(design, dpi); };
    const int margin = control.width < px(kNarrowText) ? px(kWideMargin) : px(kMargin);
    const int width = control.width + 2 * frame.frameX + 2 * margin + px(kLeftBandWidth);
    const int extra = control.height < px(kShortText) ? px(kShortTextExtra) : px(kTextExtra);
    const int height = control.height + 2 * frame.frameY + extra + frame.caption + px(kButtonBandHeight);
    return {width < px(kMinBoxWidth) ? px(kMinBoxWidth) : width, height};
}

int CentredOffset(int available, int extent) { return (available - extent) / 2; }

Rect TextControlRect(Size client, Size control, int dpi) {
    // Centred in the area right of the band and above the buttons.
    const int band = ScaleToDpi(kLeftBandWidth, dpi);
    const int left = CentredOffset(client.width - band, control.width) + band;
    const int top = CentredOffset(client.height - ScaleToDpi(kButtonBandHeight, dpi), control.height);
    return {left, top, control.width, client.height - top - ScaleToDpi(kTextBottomGap, dpi)};
}

Rect ButtonRect(int index, int count, Size client, int dpi) {
    const int width = ScaleToDpi(kButtonWidth, dpi);
    const int left = client.width - ScaleToDpi(kButtonRightGap, dpi) - width * (count - 1 - index);
    return {left, client.height - ScaleToDpi(kButtonTopFromBottom, dpi), width, ScaleToDpi(kButtonHeight, dpi)};
}

Rect IconRect(int dpi) {
    const int size = ScaleToDpi(kIconSize, dpi);
    return {ScaleToDpi(kIconX, dpi), ScaleToDpi(kIconY, dpi), size, size};
}

BoxPaintLayout PaintLayoutOf(Size client, int dpi) {
    const int line = ScaleToDpi(1, dpi);
    const int shadowY = client.height - ScaleToDpi(kShadowLineFromBottom, dpi);
    return {
        {0, 0, client.width, client.height},
        {0, shadowY, client.width, line},
        {0, shadowY + line, client.width, line},
        {0, shadowY + 2 * line, client.width, client.height - shadowY - 2 * line},
        {0, 0, ScaleToDpi(kLeftBandWidth, dpi), shadowY},
    };
}

int SystemIconOf(uint32_t style) {
    constexpr int kIdiHand = 32513;  // IDI_HAND; QUESTION, EXCLAMATION, ASTERISK follow
    const uint32_t icon = (style & kStyleIconMask) >> 4;
    return icon >= 1 && icon <= 4 ? kIdiHand + static_cast<int>(icon) - 1 : 0;
}

std::vector<BoxButton> ButtonsOf(uint32_t style, const std::string& labels) {
    std::vector<BoxButton> buttons;
    const uint32_t set = style & kStyleButtonSetMask;
    if (set >= kButtonSetCount) return buttons;
    for (const ButtonSlot& slot : kButtonSets[set]) {
        if (slot.field < 0) break;
        buttons.push_back({ListField(labels, slot.field, ListField(kDefaultButtons, slot.field)), slot.code});
    }
    return buttons;
}

int WrapButtonIndex(int index, int count) {
    const int n = count > 0 ? count : 1;
    return (index % n + n) % n;
}

int DefaultButtonIndex(uint32_t style, int count) { return WrapButtonIndex((style >> 8) & 0x0F, count); }

int AltKeyButton(char ch, const std::vector<BoxButton>& buttons) {
    for (size_t i = 0; i < buttons.size(); ++i) {
        const std::string& label = buttons[i].label;
        if (label.size() >= 2 && (label[1] == ch || label[1] == UpperAscii(ch))) return static_cast<int>(i);
    }
    return -1;
}

int LetterKeyButton(unsigned virtualKey, const std::vector<BoxButton>& buttons) {
    // Only the letter keys: the virtual keys whose codes are lower-case
    // letters are the number pad and function keys.
    if (virtualKey < 'A' || virtualKey > 'Z') return -1;
    int chosen = -1;
    for (size_t i = 0; i < buttons.size(); ++i)
        if (UpperAscii(MnemonicOf(buttons[i].label)) == static_cast<char>(virtualKey)) chosen = static_cast<int>(i);
    return chosen;
}

KeyDecision KeyDownDecision(unsigned virtualKey, int focused, const std::vector<BoxButton>& buttons) {
    const int count = static_cast<int>(buttons.size());
    switch (virtualKey) {
        case kKeyLeft:
        case kKeyUp:
            return count > 0 ? KeyDecision{KeyAction::MoveFocus, WrapButtonIndex(focused - 1, count)}
                             : KeyDecision{KeyAction::None, -1};
        case kKeyTab:
        case kKeyRight:
        case kKeyDown:
            return count > 0 ? KeyDecision{KeyAction::MoveFocus, WrapButtonIndex(focused + 1, count)}
                             : KeyDecision{KeyAction::None, -1};
        case kKeyReturn:
            return focused >= 0 && focused < count ? KeyDecision{KeyAction::Choose, focused}
                                                   : KeyDecision{KeyAction::None, -1};
        default: {
            const int letter = LetterKeyButton(virtualKey, buttons);
            return letter >= 0 ? KeyDecision{KeyAction::Choose, letter} : KeyDecision{KeyAction::None, -1};
        }
    }
}

}  // namespace rv
