// Diagnostic output. Standard output lines start with the process id and
// go to the trace viewer (a window of class kTraceViewerClass) and, when the
// process has one, to its real standard output (the terminal under Wine).
// The trace file is written only when logging is on.
//
// The trace is the one process-wide sink of the program, on purpose: lines
// are written from every layer, from code that has no run context (the file
// utilities, the HTTP client), and a diagnostic line must not be the reason
// a signature grows or a step changes its callers. So the entry owns one
// Trace for the whole run and installs it by making it; the free functions
// write to the installed one, and write nothing while none is.
#pragma once

#include <windows.h>

#include <string>

namespace rv {

class Trace {
public:
    // Installs this trace in place of the one installed before (kept, and
    // installed again when this one goes).
    Trace();
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    void SetViewerSource(unsigned short code) { source_ = code; }
    void SetLogging(bool on) { logging_ = on; }
    bool Logging() const { return logging_; }
    void SetPrefix(const std::string& prefix) { prefix_ = prefix; }
    const std::string& LogFileName() const { return logFile_; }

    void Log(const std::string& message);
    void StdOutRaw(const std::string& text);

private:
    void SendToViewer(const std::string& text);

    Trace* previous_;
    unsigned short source_ = 2;
    bool logging_ = false;
    std::string prefix_ = "   ";
    const std::string logFile_;
    const UINT viewerMessage_;
    // The viewer hands every buffer over as a global atom inside one sent
    // message; the lock keeps buffers of concurrent writers whole and in order.
    CRITICAL_SECTION lock_;
};

// Through the installed trace.
void StdOutLine(const std::string& text);
// A line without the process id: the empty lines of the framing.
void StdOutRaw(const std::string& text);
void TraceLog(const std::string& message);

}  // namespace rv
