// Random bytes from the system's generator, for names that others must not
// guess (temp folders and files a hostile local user could prepare).
#pragma once

#include <cstddef>
#include <string>

namespace rv {

// `bytes` random bytes as upper-case hex text; empty when the system has no
// generator or it failed, and then nothing may be named by it.
std::string SystemRandomHex(size_t bytes);

}  // namespace rv
