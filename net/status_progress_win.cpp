#include "net/status_progress_win.h"

namespace rv {

void StatusProgress::Start(int range, int position, const std::string& text) {
    display_.StartProgress(range, position);
    Show(text);
}

void StatusProgress::Step(const std::string& text) {
    display_.StepProgress();
    Show(text);
}

}  // namespace rv
