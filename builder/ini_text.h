// The update descriptors as the builder writes them: plain INI text.
//
//   [NewSetup]\r\n
//   VersionNew=7\r\n
//   ...
//
// The agent reads these files with the system's INI reader, which ends a
// value at the line break and reads at most 10240 characters of it: values
// that would not come back whole are refused.
#pragma once

#include <string>
#include <vector>

#include "format/descriptors.h"

namespace rv::builder {

struct IniValue {
    IniKey key;
    std::string value;
};

// Why a value cannot be written into an INI file, or "" when it can.
std::string IniValueProblem(const std::string& value);

// Plain [Section] and key=value lines with CRLF, each section once. A value
// with blanks at its ends or a quote in front is written in double quotes,
// which the system's reader removes again. Throws
// CliError(kExitInput) for a value IniValueProblem refuses.
std::string IniText(const std::vector<IniValue>& values);

}  // namespace rv::builder
