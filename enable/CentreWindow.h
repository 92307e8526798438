#pragma once

#include <windows.h>

// Centres a window over its owner when the owner is visible and not minimised, otherwise over
// the work area of the nearest monitor, and keeps it inside that work area. The size, the
// activation and the Z order stay as they are.
void centreWindow(HWND window);
