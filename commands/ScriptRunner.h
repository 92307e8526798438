// DVC scripts through Dragon's interpreter: ScriptRunner checks a script and runs it, holding
// Dragon's thread, still dispatching its messages, until the action sink reports the
// script's end; the cookies of the runs and the packing of the values a run is given.
#pragma once

#include "AwaitedMessage.h"

#include "../common/DriverWindowOutput.h"
#include "../grammar/ControllerLifetime.h"
#include "../grammar/DragonInterfaces.h"

#include <windows.h>
#include <wrl/client.h>

#include <vector>

// The last cookie given to a script run. Each run takes the next value, so the first script
// run in a process carries cookie 2. Touched on Dragon's thread only.
extern DWORD scriptSerial;

// The values (strings in the thread's ANSI code page, ended by a null pointer) as
// RunScriptWithValues takes them: each string with its terminating 0, one after the other,
// zero units up to valuesSize, which is twice the strings' bytes with their terminators,
// rounded up to a multiple of 4.
std::vector<WCHAR> PackScriptValues(const char* const* values, DWORD& valuesSize);

class ScriptRunner {
public:
    explicit ScriptRunner(DriverOutput& output) : m_output(output) {}
    // No wait can still be running: each one is inside a frame that holds the controller.
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Checks a DVC script through Dragon's interpreter and, unless checkOnly, runs it with
    // values (null, or strings ended by a null pointer), holding this thread in a message
    // loop until the script has ended. name is shown in the compile-error box (null:
    // "execScript"). 1 = success, 0 = compile error, refused run or script error.
    int execScript(const char* scriptText, const char* const* values, const char* name, bool checkOnly,
                   const ControllerLifetime::Busy& busy);
    // Dispatches this thread's messages until message with wParam has been seen; returns its
    // lParam, or 0 when the quit message comes first (it is posted again for the loops
    // around this one).
    LPARAM waitForMessage(UINT message, WPARAM wParam, const ControllerLifetime::Busy& busy);
    // A WM_SCRIPT_DONE that reached the controller window: noted for its wait, or freed.
    void noteScriptEnd(WPARAM cookie, LPARAM ending);
    // Ends every pending script wait as failed: no script end can arrive any more.
    void abandonScriptWaits();

    // Dragon's interpreter, from connect to disconnect.
    IDgnSSvcInterpreter* interpreter() const { return m_pIDgnSSvcInterpreter.Get(); }
    void setInterpreter(Microsoft::WRL::ComPtr<IDgnSSvcInterpreter> interpreter)
    {
        m_pIDgnSSvcInterpreter = std::move(interpreter);
    }
    // True while a wait is running.
    bool waiting() const { return awaitedMessages != nullptr; }

private:
    DriverOutput& m_output;
    Microsoft::WRL::ComPtr<IDgnSSvcInterpreter> m_pIDgnSSvcInterpreter;
    // The messages the running waits look for, innermost first.
    AwaitedMessage* awaitedMessages = nullptr;
};
