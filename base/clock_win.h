// The local time as a calendar time.
#pragma once

#include <windows.h>

#include "base/clock.h"

namespace rv {

DateTime LocalNow();

}  // namespace rv
