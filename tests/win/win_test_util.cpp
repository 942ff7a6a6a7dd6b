#include "tests/win/win_test_util.h"

#include <windows.h>

#include <vector>

#include "base/handle_win.h"
#include "base/paths_win.h"
#include "base/random.h"
#include "base/system_win.h"

namespace rv::test {

namespace {
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryA(folder.c_str());
}
}  // namespace

namespace {
struct ClassSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND w, LPARAM param) {
    auto* search = reinterpret_cast<ClassSearch*>(param);
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    if (lstrcmpiA(name, search->className) != 0) return TRUE;
    search->found = w;
    return FALSE;
}
}  // namespace

HWND ThreadWindowOfClass(DWORD thread, const char* className) {
    ClassSearch search{className, nullptr};
    EnumThreadWindows(thread, MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsChild() { return !EnvironmentValue("RV_TEST_CHILD").empty(); }

int RunChild(const std::string& testName, const std::string& extraArgs, const std::string& env) {
    std::string block;
    for (const char* p = GetEnvironmentStringsA(); *p; p += strlen(p) + 1) block += std::string(p) + '\0';
    block += "RV_TEST_CHILD=1";
    block += '\0';
    if (!env.empty()) block += env + '\0';
    block += '\0';
    std::string command = "\"" + ProgramFile() + "\" --gtest_filter=" + testName + " " + extraArgs;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, &block[0], nullptr, &si, &pi)) return -1;
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

ScratchDir::ScratchDir() : path_(TempDir(true) + "rvtest_" + RandomNumberText(100000, 999999)) {
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

}  // namespace rv::test
