#include "base/random.h"

#include <cstdint>
#include <ctime>

#include "base/numbers.h"

namespace rv {

long long RandomNumber(long long low, long long high) {
    // Seeded once from the clock and then stepped, so that two calls in the
    // same clock tick (two temp folder names, say) still differ.
    static unsigned long long state = 0;
    if (state == 0)
        state = static_cast<unsigned long long>(std::time(nullptr)) * 6364136223846793005ULL ^
                reinterpret_cast<uintptr_t>(&state) ^ static_cast<unsigned long long>(std::clock());
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    if (high <= low) return low;
    const unsigned long long span = static_cast<unsigned long long>(high - low) + 1;
    return low + static_cast<long long>(state % span);
}

std::string RandomNumberText(long long low, long long high) { return IntText(RandomNumber(low, high)); }

}  // namespace rv
