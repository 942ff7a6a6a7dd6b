// The Win32 half of the text utilities: paths of the system, the process
// command line, the registry, INI files, names and the screen.
#pragma once

#include <windows.h>

#include <string>

#include "ui/text.h"

namespace rv {

bool IsLeadByte(unsigned char c);
std::string WithBackslash(const std::string& path, bool add);
std::string WithoutBackslash(const std::string& path);

std::string ProgramFile();
std::string ProgramDir(bool withBackslash);
std::string WindowsDir(bool withBackslash);
std::string SystemDir(bool withBackslash);
std::string TempDir(bool withBackslash);

bool IsNT();
std::string EnvironmentValue(const std::string& name);
bool DiagnosticMode();
FARPROC LoadProc(const char* library, const char* procedure);
// Binds a function looked up at run time with the type of its declaration
// in the Windows headers, so that its calling convention is right on i686.
template <class Fn>
Fn* BindProc(const char* library, const char* procedure) {
    // The one place where a FARPROC changes type; the detour through void*
    // silences -Wcast-function-type, which would flag every binding.
    return reinterpret_cast<Fn*>(reinterpret_cast<void*>(LoadProc(library, procedure)));
}
bool OpenWithShell(const std::string& file, const std::string& parameters, int show);
std::string WindowText(HWND window);
std::string LastErrorText();
std::string UserName();
std::string ComputerName();
std::string UserDomain();
std::string CurrentVersionKey();
std::string RegisteredOwner();
std::string RegisteredOrganization();

std::string ProcessCommandLine();
std::string CommandTail();
bool SwitchPresent(const std::string& name);
std::string SwitchValue(const std::string& name);
long long SwitchNumber(const std::string& name, long long fallback);

HKEY RegistryRoot(const std::string& name);
std::string ReadRegistryValue(const std::string& path, const std::string& valueName, const std::string& fallback);
std::string IniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& fallback);
long long IniReadNumber(const std::string& file, const std::string& section, const std::string& key,
                        long long fallback);
bool IniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value);
bool IniWriteNumber(const std::string& file, const std::string& section, const std::string& key, long long value);

int PointsToPixels(int points);
RECT WorkArea();

void PumpMessages(DWORD ms);
void WaitPumping(DWORD ms, DWORD step);

DateTime LocalNow();

}  // namespace rv
