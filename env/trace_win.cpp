#include "env/trace_win.h"

#include <windows.h>

#include "ui/text.h"

namespace rv {

void StdOutRaw(const std::string& text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void StdOutLine(const std::string& text) { StdOutRaw(IntText(GetCurrentProcessId()) + text); }

}  // namespace rv
