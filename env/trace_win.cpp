#include "env/trace_win.h"

#include <windows.h>

#include "base/clock_win.h"
#include "base/numbers.h"
#include "base/paths_win.h"
#include "env/file_util_win.h"
#include "env/trace.h"

namespace rv {

namespace {

struct TraceState {
    unsigned short source = 2;
    bool logging = false;
    std::string prefix = "   ";
};
TraceState& State() {
    static TraceState state;
    return state;
}

// The viewer hands every buffer over as a global atom inside one sent
// message; the lock keeps buffers of concurrent writers whole and in order.
class ViewerChannel {
public:
    ViewerChannel() : message_(RegisterWindowMessageA(".V_DebugMsg.")) { InitializeCriticalSection(&lock_); }
    ~ViewerChannel() { DeleteCriticalSection(&lock_); }
    ViewerChannel(const ViewerChannel&) = delete;
    ViewerChannel& operator=(const ViewerChannel&) = delete;

    void Send(const std::string& text) {
        EnterCriticalSection(&lock_);
        if (HWND viewer = FindWindowA(".VDebug.", nullptr)) {
            for (const std::string& chunk : ViewerChunks(text)) {
                const ATOM atom = GlobalAddAtomA(chunk.c_str());
                if (atom == 0) continue;
                // A viewer that hangs must not hang the setup with it.
                DWORD_PTR result = 0;
                SendMessageTimeoutA(viewer, message_, State().source, atom, SMTO_ABORTIFHUNG, 5000, &result);
                GlobalDeleteAtom(atom);
            }
        }
        LeaveCriticalSection(&lock_);
    }

private:
    UINT message_;
    CRITICAL_SECTION lock_;
};

ViewerChannel& Viewer() {
    static ViewerChannel channel;
    return channel;
}

}  // namespace

void StdOutRaw(const std::string& text) {
    const std::string line = text + "\r\n";
    Viewer().Send(line);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void StdOutLine(const std::string& text) { StdOutRaw(IntText(GetCurrentProcessId()) + text); }

void SetViewerSource(unsigned short code) { State().source = code; }

void SetTraceLogging(bool on) { State().logging = on; }
bool TraceLogging() { return State().logging; }
void SetTracePrefix(const std::string& prefix) { State().prefix = prefix; }

std::string LogFileName() {
    static const std::string name = TraceFileName(ProgramFile());
    return name;
}

void TraceLog(const std::string& message) {
    if (!State().logging) return;
    AppendText(LogFileName(), TraceFileLine(LocalNow(), GetCurrentThreadId(), State().prefix, message), 0);
}

}  // namespace rv
