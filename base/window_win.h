// Small window and screen helpers, and waiting while messages flow.
#pragma once

#include <windows.h>

#include <string>

namespace rv {

std::string WindowText(HWND window);
int PointsToPixels(int points);
RECT WorkArea();
void PumpMessages(DWORD ms);
void WaitPumping(DWORD ms, DWORD step);

}  // namespace rv
