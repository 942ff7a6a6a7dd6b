// A transfer's progress on a status display: the bars follow it, the status
// line shows the title and the detail line the count and rate, until the
// transfer's end clears it.
#pragma once

#include <string>

#include "net/http_win.h"
#include "package/status_display_win.h"

namespace rv {

class StatusProgress : public DownloadProgress {
public:
    StatusProgress(StatusDisplay& display, const std::string& title) : display_(display), title_(title) {}
    ~StatusProgress() override { display_.SetDetailLine(std::string()); }
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;
    void Start(int range, int position, const std::string& text) override;
    void Step(const std::string& text) override;

private:
    StatusDisplay& display_;
    std::string title_;
};

}  // namespace rv
