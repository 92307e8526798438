#include "ReportErrorAndExit.h"

#include <windows.h>
#include <strsafe.h>
#include <cwchar>

void reportErrorAndExit()
{
    const DWORD error = GetLastError();

    wchar_t* systemText = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<wchar_t*>(&systemText), 0, nullptr);
    // An unknown code has no system text; the message then ends after the colon.
    const wchar_t* detail = systemText ? systemText : L"";

    const wchar_t label[] = L"WritsPrivateProfileString";
    const size_t length = wcslen(detail) + wcslen(label) + 40;
    auto* message = static_cast<wchar_t*>(LocalAlloc(LPTR, length * sizeof(wchar_t)));
    if (message) {
        StringCchPrintfW(message, length, L"%ls failed with error %lu: %ls", label, error, detail);
        MessageBoxW(nullptr, message, L"Error", MB_OK);
        LocalFree(message);
    } else {
        MessageBoxW(nullptr, label, L"Error", MB_OK);
    }
    LocalFree(systemText);
    ExitProcess(error);
}
