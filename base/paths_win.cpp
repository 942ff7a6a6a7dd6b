#include "base/paths_win.h"

namespace rv {

namespace {

// A folder the system gives in up to MAX_PATH characters and its NUL; a
// longer one comes back empty, which callers must treat as unknown.
std::string Folder(UINT (*get)(char*, UINT), bool withBackslash) {
    char buffer[MAX_PATH + 1];
    const UINT n = get(buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) return std::string();
    return WithBackslash(std::string(buffer, n), withBackslash);
}

UINT GetTempFolder(char* buffer, UINT size) { return GetTempPathA(size, buffer); }
UINT GetWindowsFolder(char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }
UINT GetSystemFolder(char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }

}  // namespace

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

std::string WithBackslash(const std::string& path, bool add) { return WithBackslash(path, add, IsLeadByte); }

std::string WithoutBackslash(const std::string& path) { return WithoutBackslash(path, IsLeadByte); }

std::string ProgramFile() {
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string ProgramDir(bool withBackslash) { return WithBackslash(FolderOf(ProgramFile()), withBackslash); }

std::string WindowsDir(bool withBackslash) { return Folder(GetWindowsFolder, withBackslash); }

std::string SystemDir(bool withBackslash) { return Folder(GetSystemFolder, withBackslash); }

std::string TempDir(bool withBackslash) { return Folder(GetTempFolder, withBackslash); }

}  // namespace rv
