#include "env/trace_win.h"

#include "base/clock_win.h"
#include "base/numbers.h"
#include "base/paths_win.h"
#include "env/file_util_win.h"
#include "env/trace.h"
#include "env/trace_wire.h"

namespace rv {

namespace {

// The trace the entry installed; see env/trace_win.h for why there is one.
Trace* g_installed = nullptr;

}  // namespace

Trace::Trace()
    : previous_(g_installed),
      logFile_(TraceFileName(ProgramFile())),
      viewerMessage_(RegisterWindowMessageA(kTraceViewerMessage)) {
    InitializeCriticalSection(&lock_);
    g_installed = this;
}

Trace::~Trace() {
    if (g_installed == this) g_installed = previous_;
    DeleteCriticalSection(&lock_);
}

void Trace::SendToViewer(const std::string& text) {
    EnterCriticalSection(&lock_);
    if (HWND viewer = FindWindowA(kTraceViewerClass, nullptr)) {
        for (const std::string& chunk : ViewerChunks(text)) {
            const ATOM atom = GlobalAddAtomA(chunk.c_str());
            if (atom == 0) continue;
            // A viewer that hangs must not hang the setup with it.
            DWORD_PTR result = 0;
            SendMessageTimeoutA(viewer, viewerMessage_, source_, atom, SMTO_ABORTIFHUNG, 5000, &result);
            GlobalDeleteAtom(atom);
        }
    }
    LeaveCriticalSection(&lock_);
}

void Trace::StdOutRaw(const std::string& text) {
    const std::string line = text + "\r\n";
    SendToViewer(line);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void Trace::Log(const std::string& message) {
    if (!logging_) return;
    AppendText(logFile_, TraceFileLine(LocalNow(), GetCurrentThreadId(), prefix_, message), 0);
}

void StdOutRaw(const std::string& text) {
    if (g_installed) g_installed->StdOutRaw(text);
}

void StdOutLine(const std::string& text) {
    if (g_installed) g_installed->StdOutRaw(IntText(GetCurrentProcessId()) + text);
}

void TraceLog(const std::string& message) {
    if (g_installed) g_installed->Log(message);
}

}  // namespace rv
