// The markup message box: a modal box that looks and answers like the
// system message box but shows its text in a read-only RichEdit 1.0 control,
// with "<P>" line breaks, "<T>" tabs and "<B>" bold runs, in the font and
// character set of the package's language. One box at a time, from the
// main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "format/language.h"
#include "ui/message_box.h"

namespace rv {

// What the boxes of a run share: the language's font, and whether they
// cancel AutoPlay. The run's context owns the one of the run and every box
// is shown with it.
class BoxSettings {
public:
    BoxSettings() = default;
    BoxSettings(const BoxSettings&) = delete;
    BoxSettings& operator=(const BoxSettings&) = delete;

    // The language's font; a size of 0 keeps the current one.
    void SetFont(const std::string& fontName, int fontSize, int charset);
    // While on, the box (and the main window, through AutoPlayCancelMessage)
    // answers the shell's "QueryCancelAutoPlay" with 1, so a disc inserted
    // for the next volume does not start its own AutoPlay.
    void EnableAutoPlayCancel(bool on);
    // The registered "QueryCancelAutoPlay" message, 0 while off.
    UINT AutoPlayCancelMessage() const { return autoPlayMessage_; }

    const std::string& fontName() const { return fontName_; }
    int fontSize() const { return fontSize_; }
    int charset() const { return charset_; }

private:
    std::string fontName_ = kDefaultFontName;
    int fontSize_ = kDefaultFontSize;
    int charset_ = DEFAULT_CHARSET;
    UINT autoPlayMessage_ = 0;
};

// The owner argument of the boxes: null shows the caption as a bold heading
// above the text, OwnerWithoutHeading() shows no heading; with both, the
// window active at the call becomes the owner. Any other value is the owner.
inline HWND OwnerWithoutHeading() { return reinterpret_cast<HWND>(1); }

// An empty caption is the default one ("Error", "Attention", "Confirm").
void ErrorBox(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption = "",
              int charset = kDefaultCharset, const std::string& buttons = kDefaultButtons);
void WarningBox(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption = "",
                int timeoutMs = 0, int charset = kDefaultCharset, const std::string& buttons = kDefaultButtons);
// True for Yes.
bool ConfirmYesNo(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption = "",
                  int charset = kDefaultCharset, const std::string& buttons = kDefaultButtons);
// True for OK.
bool ConfirmOkCancel(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption = "",
                     int charset = kDefaultCharset, const std::string& buttons = kDefaultButtons);

// The box behind the four above. `style` holds the system MB_ bits (button
// set, icon, default button); `timeoutMs` above 0 closes the box with the
// code of its first button. Returns the button code, 0 when it was closed
// without a button.
int MarkupMessageBox(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption,
                     int timeoutMs, uint32_t style, int charset, const std::string& buttons = kDefaultButtons);
// The box window itself, without the heading and owner rules.
int ShowMarkupWindow(const BoxSettings& settings, HWND owner, const std::string& text, const std::string& caption,
                     int timeoutMs, uint32_t style, const std::string& buttons);

// The error box of run-time folders not found whose definitions ask to
// tell the user: one box for each name, in the language file's words.
void FoldersNotFoundBoxes(const BoxSettings& settings, const std::vector<std::string>& shownNames);

}  // namespace rv
