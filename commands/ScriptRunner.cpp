#include "ScriptRunner.h"

#include "ScriptMessages.h"

#include "../common/BstrText.h"
#include "../common/MessageBoxes.h"
#include "../common/ReportComError.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

DWORD scriptSerial = 1;

namespace {

constexpr size_t kCompileErrorBytes = 256;

// The first bytes of text, at most limit of them, never splitting a character of a
// double-byte code page.
std::string CutNarrow(const char* text, size_t limit)
{
    size_t length = 0;
    while (text[length]) {
        size_t next = length + (IsDBCSLeadByte(static_cast<BYTE>(text[length])) && text[length + 1] ? 2 : 1);
        if (next > limit)
            break;
        length = next;
    }
    return std::string(text, length);
}

// "Error %d compiling script:\n\n%s\n\n(line %d)" in 256 bytes. The name is the whole script,
// so a long one is cut (and marked so) to keep the error and its line readable.
std::string CompileErrorText(DWORD errorNumber, const char* name, DWORD errorLine)
{
    char head[64];
    char tail[32];
    snprintf(head, sizeof(head), "Error %d compiling script:\n\n", static_cast<int>(errorNumber));
    snprintf(tail, sizeof(tail), "\n\n(line %d)", static_cast<int>(errorLine));
    const size_t room = kCompileErrorBytes - 1 - strlen(head) - strlen(tail);
    std::string shown = CutNarrow(name, room);
    if (shown.size() < strlen(name)) {
        const char mark[] = "...";
        shown = CutNarrow(name, room - (sizeof(mark) - 1)) + mark;
    }
    return head + shown + tail;
}

bool IsStandardDialog(HWND window)
{
    wchar_t className[128] = {};
    return window && GetClassNameW(window, className, 128) && wcscmp(className, L"#32770") == 0;
}

} // namespace

std::vector<WCHAR> PackScriptValues(const char* const* values, DWORD& valuesSize)
{
    size_t count = 0;
    for (const char* const* value = values; value && *value; ++value)
        count += strlen(*value) + 1;
    if (count > (MAXDWORD - 3) / 2)
        throw _com_error(E_OUTOFMEMORY);
    valuesSize = static_cast<DWORD>((2 * count + 3) & ~static_cast<size_t>(3));
    std::vector<WCHAR> buffer;
    try {
        buffer.assign(valuesSize, 0);
    } catch (const std::bad_alloc&) {
        throw _com_error(E_OUTOFMEMORY);
    }
    // A string never needs more units than bytes, so each one fits; the bound is kept anyway.
    size_t at = 0;
    for (const char* const* value = values; value && *value; ++value) {
        const size_t bytes = strlen(*value);
        int units = 0;
        if (bytes > 0 && at + 1 < buffer.size())
            units = MultiByteToWideChar(CP_THREAD_ACP, 0, *value, static_cast<int>(bytes), &buffer[at],
                                        static_cast<int>(buffer.size() - at - 1));
        at += static_cast<size_t>(units > 0 ? units : 0) + 1;
    }
    return buffer;
}

ScriptRunner::~ScriptRunner()
{
    while (AwaitedMessage* entry = awaitedMessages) {
        awaitedMessages = entry->next;
        delete entry;
    }
}

int ScriptRunner::execScript(const char* scriptText, const char* const* values, const char* name, bool checkOnly,
                             const ControllerLifetime::Busy& busy)
{
    if (!name)
        name = "execScript";
    if (!m_pIDgnSSvcInterpreter)
        throw _com_error(E_POINTER);
    BstrText script(scriptText, CP_THREAD_ACP);

    // The interpreter may leave both unset when the call fails: then they read as no error.
    DWORD errorNumber = 0;
    DWORD errorLine = 0;
    SetErrorInfo(0, nullptr);
    HRESULT hr = m_pIDgnSSvcInterpreter->CheckScript(script.get(), &errorNumber, &errorLine);
    if (FAILED(hr))
        reportComError(L"m_pIDgnSSvcInterpreter->CheckScript failed", hr);
    if (errorNumber != 0) {
        ShowMessageBoxA(GetForegroundWindow(), CompileErrorText(errorNumber, name, errorLine).c_str(), "Error",
                        MB_ICONHAND);
        return 0;
    }
    // A script the interpreter could not check is neither reported as correct nor run.
    if (FAILED(hr))
        return 0;
    if (checkOnly)
        return 1;

    const DWORD cookie = ++scriptSerial;
    {
        BstrText scriptName(name, CP_THREAD_ACP);
        if (!values) {
            hr = m_pIDgnSSvcInterpreter->RunScript(script.get(), &errorNumber, &errorLine, scriptName.get(), cookie);
        } else {
            DWORD valuesSize = 0;
            std::vector<WCHAR> packed = PackScriptValues(values, valuesSize);
            hr = m_pIDgnSSvcInterpreter->RunScriptWithValues(script.get(), valuesSize,
                                                             packed.empty() ? nullptr : packed.data(), &errorNumber,
                                                             &errorLine, scriptName.get(), cookie);
            for (DWORD unit = 0; unit < valuesSize; ++unit) {
                char code[16];
                snprintf(code, sizeof(code), "%i|", static_cast<int>(packed[unit]));
                m_output.appendLog(code);
            }
            m_output.appendLog("\n");
        }
    }
    // A run the interpreter refused never reports an end: waiting for one would never end.
    if (FAILED(hr))
        return 0;

    LPARAM ending = waitForMessage(WM_SCRIPT_DONE, cookie, busy);
    if (ending) {
        delete reinterpret_cast<ScriptErrorInfo*>(ending);
        return 0;
    }
    return 1;
}

LPARAM ScriptRunner::waitForMessage(UINT message, WPARAM wParam, const ControllerLifetime::Busy&)
{
    AwaitedMessage* own = new AwaitedMessage{message, wParam, 0, false, awaitedMessages};
    awaitedMessages = own;

    // The entry is marked here or by a loop inside a dispatch; the wait ends after the next
    // dispatch (a message a dialog takes is dispatched by the dialog, not here).
    MSG taken = {};
    BOOL got;
    while ((got = GetMessageW(&taken, nullptr, 0, 0)) > 0) {
        for (AwaitedMessage* entry = awaitedMessages; entry; entry = entry->next) {
            if (!entry->received && entry->message == taken.message && entry->wParam == taken.wParam) {
                entry->received = true;
                entry->lParam = taken.lParam;
                break;
            }
        }

        HWND active = GetActiveWindow();
        if (IsStandardDialog(active) && IsDialogMessageW(active, &taken))
            continue;
        TranslateMessage(&taken);
        DispatchMessageW(&taken);
        if (own->received)
            break;
    }

    for (AwaitedMessage** link = &awaitedMessages; *link; link = &(*link)->next) {
        if (*link == own) {
            *link = own->next;
            break;
        }
    }
    const LPARAM result = own->lParam;
    delete own;
    if (got > 0) { // the loop ended at this wait's message
        // An enclosing wait wakes up and looks at its own entry. A window that the
        // dispatch destroyed takes no message: then the thread's queue gets it.
        if (!PostMessageW(taken.hwnd, WM_NULL, 0, 0))
            PostMessageW(nullptr, WM_NULL, 0, 0);
        return result;
    }
    // The quit message belongs to the thread's own loop and to every wait enclosing this one.
    if (got == 0)
        PostQuitMessage(static_cast<int>(taken.wParam));
    return 0;
}

void ScriptRunner::noteScriptEnd(WPARAM cookie, LPARAM ending)
{
    // A wait's loop notes the end before dispatching it. One taken off the queue by another
    // loop (a dialog's or a message box's, running inside the wait) is noted here, or the
    // wait would never see it.
    for (AwaitedMessage* entry = awaitedMessages; entry; entry = entry->next) {
        if (entry->message == WM_SCRIPT_DONE && entry->wParam == cookie) {
            if (!entry->received) {
                entry->received = true;
                entry->lParam = ending;
            } else if (entry->lParam != ending) {
                delete reinterpret_cast<ScriptErrorInfo*>(ending); // the wait was ended without it
            }
            return;
        }
    }
    // Nobody waits for this script (any more): its error record has no other owner.
    delete reinterpret_cast<ScriptErrorInfo*>(ending);
}

void ScriptRunner::abandonScriptWaits()
{
    // Once the action sink is cut off no script end can arrive: each pending wait ends, as a
    // script whose end was not seen, at its next dispatched message.
    for (AwaitedMessage* entry = awaitedMessages; entry; entry = entry->next) {
        if (entry->message == WM_SCRIPT_DONE && !entry->received) {
            entry->received = true;
            entry->lParam = reinterpret_cast<LPARAM>(new (std::nothrow) ScriptErrorInfo{0, 0});
        }
    }
}
