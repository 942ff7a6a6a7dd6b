// A transfer's progress on a status display: the bars follow it and the
// status line shows the title with the count and rate below it.
#pragma once

#include <string>

#include "net/http_win.h"
#include "package/status_display_win.h"

namespace rv {

class StatusProgress : public DownloadProgress {
public:
    StatusProgress(StatusDisplay& display, const std::string& title) : display_(display), title_(title) {}
    void Start(int range, int position, const std::string& text) override;
    void Step(const std::string& text) override;

private:
    void Show(const std::string& text) { display_.SetStatusLine(title_ + "\n" + text); }

    StatusDisplay& display_;
    std::string title_;
};

}  // namespace rv
