// Waiting for a condition on a thread whose messages must go on being dispatched.
#pragma once

#include <windows.h>

// Dispatches this thread's messages until done() holds or the time is up; returns done().
template <class Condition>
bool PumpUntil(Condition done, DWORD timeoutMs = 5000)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done() && GetTickCount64() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return done();
}
