// Custom messages posted to the test-driver dialog.
#pragma once

#include <windows.h>

constexpr UINT WM_APPEND_LOG = WM_USER + 362;   // 1386: wParam highlight flag, lParam a char* from new[]
constexpr UINT WM_CLOSE_DRIVER = WM_USER + 363; // 1387: destroys the dialog and so ends the UI thread
