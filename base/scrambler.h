// The reversible text scrambler of values the agent keeps in the registry
// and INI files: obscures them, it does not protect them.
#pragma once

#include <string>

namespace rv {

constexpr const char* kScrambleMarker = "Scrambled=01";
std::string Scramble(const std::string& text, bool encode);
// The same with the key chosen by the caller (33..122 for a fresh encoding).
std::string ScrambleWithKey(const std::string& text, bool encode, int key);

}  // namespace rv
