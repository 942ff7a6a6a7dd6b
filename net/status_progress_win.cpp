#include "net/status_progress_win.h"

#include "env/file_util_win.h"

namespace rv {

void StatusProgress::Start(int range, int position, const std::string& text) {
    ProgressUpdate(0, position, range, 1);
    Show(text);
}

void StatusProgress::Step(const std::string& text) {
    ProgressUpdate(1, 0, 0, 0);
    Show(text);
}

}  // namespace rv
