// Custom messages posted to the ControllerWindow (all WM_USER-based, none registered by name).
#pragma once

#include <windows.h>

constexpr UINT WM_PLAYBACK_DONE = WM_USER + 345;   // 1369: wParam cookie, lParam 0 done / 1 aborted
constexpr UINT WM_SCRIPT_DONE = WM_USER + 346;     // 1370: wParam cookie, lParam 0 or a ScriptErrorInfo*
constexpr UINT WM_ENGINE_NOTIFY = WM_USER + 347;   // 1371: wParam the engine's value
constexpr UINT WM_UTTERANCE_BEGIN = WM_USER + 348; // 1372: wParam an UtteranceCookie*

// The engine's 64-bit utterance-begin cookie, allocated by the engine sink and freed by
// whoever takes the message off the queue.
struct UtteranceCookie {
    DWORD low;
    DWORD high;
};
