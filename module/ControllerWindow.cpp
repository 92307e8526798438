#include "ControllerWindow.h"

#include "../grammar/ControllerGate.h"
#include "ControllerMessages.h"
#include "ModuleController.h"
#include "../common/ModuleInstance.h"
#include "../commands/CDgnSSvcActionNotifySink.h"

#include <memory>

namespace {

ModuleController* ControllerOf(HWND window)
{
    return reinterpret_cast<ModuleController*>(GetWindowLongPtrW(window, 0));
}

LRESULT OnCommand(HWND window, WPARAM wParam)
{
    EnterController(ControllerOf(window), L"Menu command failed with:",
                    [wParam](ModuleController& controller, const ControllerLifetime::Busy& busy) {
                        controller.dispatchMenuCommand(wParam, busy);
                    });
    return 0;
}

LRESULT OnUtteranceBegin(HWND window, WPARAM wParam)
{
    std::unique_ptr<UtteranceCookie> cookie(reinterpret_cast<UtteranceCookie*>(wParam));
    if (!cookie)
        return 0;
    EnterController(ControllerOf(window), L"Utterance begin failed with:",
                    [&cookie](ModuleController& controller, const ControllerLifetime::Busy& busy) {
                        controller.onUtteranceBegin(cookie->low, cookie->high, busy);
                    });
    return 0;
}

// The script's end reaches the wait that is looking for it, whichever loop took it off the
// queue; one that nobody waits for has its error record freed.
LRESULT OnScriptDone(HWND window, WPARAM cookie, LPARAM ending)
{
    const bool noted = EnterController(ControllerOf(window), L"Script end failed with:",
                                       [=](ModuleController& controller, const ControllerLifetime::Busy&) {
                                           controller.commands.scriptRunner().noteScriptEnd(cookie, ending);
                                       });
    if (!noted)
        delete reinterpret_cast<ScriptErrorInfo*>(ending);
    return 0;
}

} // namespace

LRESULT CALLBACK ControllerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return OnCommand(window, wParam);
    case WM_UTTERANCE_BEGIN:
        return OnUtteranceBegin(window, wParam);
    case WM_SCRIPT_DONE:
        return OnScriptDone(window, wParam, lParam);
    case WM_PLAYBACK_DONE:
    case WM_ENGINE_NOTIFY:
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND CreateControllerWindow()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ControllerWindowProc;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = ModuleInstance();
    windowClass.lpszClassName = kControllerWindowClass;
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, kControllerWindowClass, L"quillmoor", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           ModuleInstance(), nullptr);
}

void AttachControllerWindow(HWND window, ModuleController* controller)
{
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(controller));
}

void DrainControllerWindow(HWND window, IDgnSREngineControl* engineControl)
{
    if (!window)
        return;
    // PeekMessage hands out a pending quit message whatever the filter: it belongs to the
    // thread's own loop, so it is put back once the draining is done.
    bool quit = false;
    int quitCode = 0;
    MSG message;
    while (PeekMessageW(&message, window, WM_UTTERANCE_BEGIN, WM_UTTERANCE_BEGIN, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = static_cast<int>(message.wParam);
            continue;
        }
        std::unique_ptr<UtteranceCookie> cookie(reinterpret_cast<UtteranceCookie*>(message.wParam));
        if (cookie && engineControl)
            engineControl->Resume(cookie->low, cookie->high);
    }
    while (PeekMessageW(&message, window, WM_SCRIPT_DONE, WM_SCRIPT_DONE, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = static_cast<int>(message.wParam);
            continue;
        }
        OnScriptDone(window, message.wParam, message.lParam);
    }
    if (quit)
        PostQuitMessage(quitCode);
}

void UnregisterControllerWindowClass()
{
    UnregisterClassW(kControllerWindowClass, ModuleInstance());
}
