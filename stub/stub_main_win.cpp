// The stub's entry: start line, the package reader over its own file for
// the whole run, the run, the end line.
#include <windows.h>

#include "env/trace_win.h"
#include "package/file_info.h"
#include "ui/text_win.h"

namespace {

// Plants in the application folder (a Downloads folder, typically) must
// never be loaded in place of system DLLs, so the search is narrowed to the
// system folder before anything else can load a library. Older systems lack
// the call; they keep their default order.
void HardenDllSearch() {
    auto* setDirectories = rv::BindProc<decltype(SetDefaultDllDirectories)>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDirectories) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HardenDllSearch();
    const std::string commandLine = rv::ProcessCommandLine();
    rv::StdOutLine(" ==== STUB START ====> " + commandLine + "<");
    int exitCode = 0;
    {
        const rv::TGFileInfo self(rv::ProgramFile());
        rv::StdOutLine(" ==== ThisIs_AutoUpdateProg=" + rv::BoolText(self.IsAutoUpdateProgram()));
        rv::StdOutLine(" ==== Package=" + rv::BoolText(self.HasPackage()) +
                       " Files=" + rv::IntText(self.FileCount()) + " Title=" + self.Text("s0"));
    }
    rv::StdOutLine(" ==== STUB END ====> " + commandLine + "<");
    rv::StdOutRaw("");
    return exitCode;
}
