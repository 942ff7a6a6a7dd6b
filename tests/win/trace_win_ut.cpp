#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/numbers.h"
#include "base/paths_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "env/trace_wire.h"

namespace rv {
namespace {

std::vector<std::string>* g_received = nullptr;
UINT g_viewerMessage = 0;

LRESULT CALLBACK ViewerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == g_viewerMessage && g_received) {
        char text[300];
        const UINT n = GlobalGetAtomNameA(static_cast<ATOM>(lp), text, sizeof text);
        g_received->push_back(std::to_string(wp) + ":" + std::string(text, n));
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

TEST(ViewerChannel, LongLinesArriveAsBuffersInOrder) {
    const Trace trace;
    StdOutLine(" no viewer yet: silently dropped");
    std::vector<std::string> received;
    g_received = &received;
    g_viewerMessage = RegisterWindowMessageA(kTraceViewerMessage);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kTraceViewerClass;
    RegisterClassA(&wc);
    HWND viewer = CreateWindowA(kTraceViewerClass, "viewer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ASSERT_NE(viewer, nullptr);
    const std::string text(" " + std::string(200, 'x') + "END");
    StdOutLine(text);
    const std::string sent = IntText(GetCurrentProcessId()) + text + "\r\n";
    std::string joined;
    for (const std::string& r : received) {
        EXPECT_EQ(r.substr(0, 2), "2:");  // the source code travels as wParam
        joined += r.substr(2);
    }
    EXPECT_EQ(received.size(), (sent.size() + 127) / 128);
    EXPECT_EQ(joined, sent);
    DestroyWindow(viewer);
    UnregisterClassA(kTraceViewerClass, wc.hInstance);
    g_received = nullptr;
}

TEST(TraceFile, WrittenOnlyWhenLoggingIsOn) {
    Trace trace;
    const std::string log = trace.LogFileName();
    EXPECT_EQ(log, ProgramDir(true) + "X_win_tests.log");
    DeleteFileA(log.c_str());
    TraceLog("not written");
    EXPECT_FALSE(FileExists(log));
    trace.SetLogging(true);
    trace.SetPrefix(" X ");
    TraceLog("hello");
    trace.SetLogging(false);
    TraceLog("not written either");
    const std::string line = ReadFilePart(log, 0, 0);
    ASSERT_GE(line.size(), 20u);
    EXPECT_EQ(line.substr(2, 1), "/");  // dd/mm/yy HH:NN:SS
    EXPECT_EQ(line.substr(line.size() - 10), " X hello\r\n");
    DeleteFileA(log.c_str());
}

// Lines go to the trace installed last; when it goes, the one before it
// is installed again.
TEST(TraceFile, AnInnerTraceHandsBackToTheOuterOne) {
    Trace outer;
    const std::string log = outer.LogFileName();
    DeleteFileA(log.c_str());
    outer.SetLogging(true);
    {
        const Trace inner;
        TraceLog("inner");
    }
    TraceLog("outer");
    outer.SetLogging(false);
    const std::string text = ReadFilePart(log, 0, 0);
    EXPECT_EQ(text.find("inner"), std::string::npos);
    EXPECT_NE(text.find("outer"), std::string::npos);
    DeleteFileA(log.c_str());
}

}  // namespace
}  // namespace rv
