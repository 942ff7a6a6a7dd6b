// Helpers of the Wine tests: child processes with a real command line and
// environment, and scratch folders.
#pragma once

#include <windows.h>

#include <string>

namespace rv::test {

// Runs this test program again with only `testName` selected, the extra
// command-line text appended and `env` ("NAME=value") added; returns the
// child's exit code, or -1 when it could not start.
int RunChild(const std::string& testName, const std::string& extraArgs, const std::string& env = "");
// True inside such a child run.
bool IsChild();

// The first top-level window of `thread` whose class is `className` (any
// case), or null. Tests look only at their own thread's windows: other test
// programs show theirs at the same time.
HWND ThreadWindowOfClass(DWORD thread, const char* className);

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

}  // namespace rv::test
