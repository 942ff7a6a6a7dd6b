#include "base/clock_win.h"

namespace rv {

DateTime LocalNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace rv
