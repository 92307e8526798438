// The hidden ControllerWindow "quillmoor" and its window procedure, the event hub: the sinks
// and the test-driver dialog post here, and the procedure runs the work on Dragon's thread.
#pragma once

#include <windows.h>

class ModuleController;
struct IDgnSREngineControl;

constexpr wchar_t kControllerWindowClass[] = L"quillmoor";

LRESULT CALLBACK ControllerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class (an existing registration is fine) and creates the window; null on
// failure. The controller pointer is not stored yet.
HWND CreateControllerWindow();

// Stores the controller in window index 0; the hub ignores controller messages until then.
void AttachControllerWindow(HWND window, ModuleController* controller);

// Takes the utterance-begin and script-end messages still queued for the window off the
// queue and frees what they carry; utterance cookies are handed back through engineControl
// when it is given, so that the engine does not hold those utterances for good.
void DrainControllerWindow(HWND window, IDgnSREngineControl* engineControl);

// Library detach: the class must not outlive the code of its window procedure.
void UnregisterControllerWindowClass();
