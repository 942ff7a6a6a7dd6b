// Small window and screen helpers, and waiting while messages flow.
#pragma once

#include <windows.h>

#include <string>

#include "base/handle_win.h"

namespace rv {

std::string WindowText(HWND window);
// Dots per inch of the screen, and of the monitor a window is on where the
// system tells (Windows 10 and later; elsewhere the screen's).
int ScreenDpi();
int WindowDpi(HWND window);
// Points at the screen's resolution, or at the one given.
int PointsToPixels(int points);
int PointsToPixels(int points, int dpi);
RECT WorkArea();
// An icon of the program's resources, or a system icon (IDI_ number, with
// no module), at `size` pixels square: made from the largest image that
// fits, scaled down, rather than a small one stretched. Null when missing.
IconHandle ProgramIcon(const char* name, int size);
IconHandle SystemIcon(int id, int size);
void PumpMessages(DWORD ms);
void WaitPumping(DWORD ms, DWORD step);

}  // namespace rv
