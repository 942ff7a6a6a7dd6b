// The names the trace viewer and its writers meet by: the viewer's window
// class and the registered message that carries each buffer. A writer and a
// viewer built apart (the viewer is a tool of its own) must spell them the
// same, so this header includes nothing and any program can take it.
#pragma once

namespace rv {

constexpr const char* kTraceViewerClass = ".VDebug.";
constexpr const char* kTraceViewerMessage = ".V_DebugMsg.";

}  // namespace rv
