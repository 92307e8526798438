// Custom messages posted to the ControllerWindow (all WM_USER-based, none registered by name).
#pragma once

#include "../commands/ScriptMessages.h"

#include <windows.h>

// WM_PLAYBACK_DONE (1369) and WM_SCRIPT_DONE (1370) come from the action sink.
constexpr UINT WM_ENGINE_NOTIFY = WM_USER + 347;   // 1371: wParam the engine's value
constexpr UINT WM_UTTERANCE_BEGIN = WM_USER + 348; // 1372: wParam an UtteranceCookie*

// The engine's 64-bit utterance-begin cookie, allocated by the engine sink and freed by
// whoever takes the message off the queue.
struct UtteranceCookie {
    DWORD low;
    DWORD high;
};
