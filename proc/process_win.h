// Running programs found by their executable path: the process, its main
// window, and the ways to end it. Processes are listed through PSAPI on the
// NT platform and through ToolHelp32 elsewhere (or where PSAPI is missing);
// both are bound at run time, and without either nothing is ever found.
#pragma once

#include <windows.h>

#include <string>

namespace rv {

// Which interface lists the processes. Callers take `Platform`; the others
// force one interface, so that both can be exercised on one system.
enum class ProcessApi { Platform, Psapi, ToolHelp };

// The process whose executable is `path` (see ImageMatches for the rule);
// of several, the one listed last. 0 when none.
DWORD FindProcessByPath(const std::string& path, bool noNameMatch, ProcessApi api = ProcessApi::Platform);
// `path` may be in double quotes; a bare file name matches too.
bool IsProcessRunning(const std::string& path, ProcessApi api = ProcessApi::Platform);
// Dispatches messages while it polls once a second, until the process has
// ended or `limitMs` has passed (0 or less: no limit). Takes at least one
// second even for a program that is not running.
void WaitForProcessEnd(const std::string& path, int limitMs, ProcessApi api = ProcessApi::Platform);

// The top-level window of the process that looks most like its main
// window; null when the process or such a window is missing.
HWND FindMainWindow(const std::string& path, bool noNameMatch);
// The end of the owner chain of `window`; null when it has no owner.
HWND RootOwner(HWND window);

// Post a message to the main window of the process running `path`; true
// when it was posted. CloseProgram and QuitProgram post WM_CLOSE and
// WM_QUIT with wParam 15 and lParam 255.
bool PostProcessMessage(const std::string& path, UINT message, WPARAM wParam, LPARAM lParam);
bool CloseProgram(const std::string& path, bool noNameMatch);
bool QuitProgram(const std::string& path, bool noNameMatch);
// Ends the process with exit code 0; true when it was ended.
bool TerminateProgram(const std::string& path, bool noNameMatch);

// Dispatches messages and sleeps 100 ms at a time while a top-level window
// of this class and title exists. An empty class or title stands for any;
// with both empty it returns at once.
void WaitWhileWindowExists(const std::string& className, const std::string& title);

}  // namespace rv
