// What the action sink posts to the controller window when Dragon ends a script or a
// keystroke playback.
#pragma once

#include <windows.h>

constexpr UINT WM_PLAYBACK_DONE = WM_USER + 345; // 1369: wParam cookie, lParam 0 done / 1 aborted
constexpr UINT WM_SCRIPT_DONE = WM_USER + 346;   // 1370: wParam cookie, lParam 0 or a ScriptErrorInfo*

// The two values of ScriptError, posted with WM_SCRIPT_DONE; freed by whoever takes the
// message off the queue.
struct ScriptErrorInfo {
    DWORD first;
    DWORD second;
};
