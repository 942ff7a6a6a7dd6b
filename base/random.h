// The pseudo-random generator of the stub (names, jitter, scrambler keys):
// not for secrets.
#pragma once

#include <string>

namespace rv {

// A pseudo-random integer from low to high inclusive, and the same as decimal text.
long long RandomNumber(long long low, long long high);
std::string RandomNumberText(long long low, long long high);

}  // namespace rv
