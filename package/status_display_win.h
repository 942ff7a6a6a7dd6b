// The window that shows a run's status: a text, a progress bar and an
// activity bar. The stub's main window implements it; the extraction, the
// internet setup and the update agent only talk to this interface.
#pragma once

#include <windows.h>

#include <string>

namespace rv {

class StatusDisplay {
public:
    // The window the boxes of a run are owned by; it may be hidden.
    virtual HWND Window() const = 0;
    virtual void Show(bool show) = 0;
    virtual void SetStatusText(const std::string& text, const std::string& fontName, int charset, int points) = 0;
    // Replaces the status text only, in the font that SetStatusText chose.
    virtual void SetStatusLine(const std::string& text) = 0;
    // The line under the progress bar, in the same font: what changes while
    // the status line stays (a transfer's count and rate). Empty hides it.
    virtual void SetDetailLine(const std::string& text) = 0;
    virtual void ShowActivityBar(bool show) = 0;
    // Sets the progress bar's range and position and restarts the activity
    // bar; each step then advances both.
    virtual void StartProgress(int range, int position) = 0;
    virtual void StepProgress() = 0;

protected:
    ~StatusDisplay() = default;
};

}  // namespace rv
