#include "ReportComError.h"

#include "MessageBoxes.h"

#include <oleauto.h>

#include <string>

void reportComError(const wchar_t* prefix, HRESULT hr)
{
    wchar_t code[16];
    wsprintfW(code, L"%X", static_cast<unsigned>(hr));
    std::wstring text = prefix ? prefix : L"";
    text += L" (HRESULT 0x";
    text += code;
    text += L")";

    IErrorInfo* errorInfo = nullptr;
    BSTR description = nullptr;
    if (GetErrorInfo(0, &errorInfo) == S_OK && errorInfo && SUCCEEDED(errorInfo->GetDescription(&description))) {
        text += L"\n\"";
        text += description ? description : L"";
        text += L"\"";
    }
    // The box text is bounded like the formatted buffer it stands for.
    if (text.size() > 1024)
        text.resize(1024);
    ShowMessageBoxW(nullptr, text.c_str(), L"COM Error", MB_ICONHAND);
    SysFreeString(description);
    if (errorInfo)
        errorInfo->Release();
}
