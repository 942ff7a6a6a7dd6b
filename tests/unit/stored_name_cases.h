// Stored names and whether a package may carry them: one table for the
// stub's check (records_ut) and for the builder, which refuses to build
// what the stub would refuse to extract (build_command_ut).
#pragma once

namespace rv::test {

struct StoredNameCase {
    const char* name;
    bool safe;
    bool fileOnLinux;  // the builder's test can make it as a source file
};

// clang-format off
inline constexpr StoredNameCase kStoredNameCases[] = {
    {"setup.exe", true, true},
    {"data\\sub\\a.txt", true, false},
    {"data/a.txt", true, true},
    {"CONSOLE.txt", true, true},
    {"COM10", true, true},
    {"LPTX.txt", true, true},
    {"NULL", true, true},
    {"my setup.exe", true, true},
    {" lead.txt", true, true},
    {"..\\evil.exe", false, false},
    {"data\\..\\..\\x", false, false},
    {"C:\\Windows\\x", false, false},
    {"C:x", false, false},
    {"\\\\server\\share", false, false},
    {"\\abs", false, false},
    {"/abs", false, false},
    {"", false, false},
    {"a\\\\b", false, false},
    {"a\\.\\b", false, false},
    {"trail\\", false, false},
    {"x\x01y", false, false},
    {"a*b", false, false},
    {"...", false, true},
    {"CON", false, true},
    {"CON.txt", false, true},
    {"con.tar.gz", false, true},
    {"CON .txt", false, true},
    {"prn", false, true},
    {"Aux.h", false, true},
    {"sub/NUL", false, true},
    {"sub\\NUL", false, false},
    {"nul.txt", false, true},
    {"COM1", false, true},
    {"com9.log", false, true},
    {"LPT1", false, true},
    {"lpt9.txt", false, true},
    {"COM\xB9", false, true},
    {"CONIN$", false, true},
    {"conout$.txt", false, true},
    {"dir/CON/a.txt", false, true},
    {"setup.exe.", false, true},
    {"setup.exe ", false, true},
    {"folder./a.txt", false, true},
    {"folder /a.txt", false, true},
};
// clang-format on

}  // namespace rv::test
