// The test-driver dialog's message log as the tests read it.
#pragma once

#include "BoxRecorder.h"
#include "../../ui/resource.h"

#include <windows.h>

#include <string>

// The log's text; the rich edit control keeps line ends as "\r", given here as "\n".
inline std::string DialogLogText(HWND dialog)
{
    HWND log = GetDlgItem(dialog, IDC_MESSAGE_LOG);
    int length = GetWindowTextLengthW(log);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(log, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    std::string narrow = Narrow(text);
    for (char& c : narrow)
        if (c == '\r')
            c = '\n';
    return narrow;
}

// Log texts are posted to the dialog's thread: waits until wanted has arrived.
inline bool WaitForDialogLog(HWND dialog, const std::string& wanted, DWORD timeoutMs = 3000)
{
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        if (DialogLogText(dialog).find(wanted) != std::string::npos)
            return true;
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return false;
}
