#include "net/status_progress_win.h"

namespace rv {

void StatusProgress::Start(int range, int position, const std::string& text) {
    display_.StartProgress(range, position);
    display_.SetStatusLine(title_);
    display_.SetDetailLine(text);
}

void StatusProgress::Step(const std::string& text) {
    display_.StepProgress();
    display_.SetDetailLine(text);
}

}  // namespace rv
