#include "ReportComError.h"

#include "MessageBoxes.h"

#include <oleauto.h>

#include <cwchar>

namespace {

// A fixed buffer: this runs where a failed allocation has just been caught, and nothing
// thrown here may reach the caller. Longer texts are cut.
class BoxText {
public:
    void append(const wchar_t* piece)
    {
        while (piece && *piece && m_length < kCapacity)
            m_text[m_length++] = *piece++;
        m_text[m_length] = L'\0';
    }
    const wchar_t* get() const { return m_text; }

private:
    static constexpr size_t kCapacity = 1024;
    wchar_t m_text[kCapacity + 1] = {};
    size_t m_length = 0;
};

} // namespace

void reportComError(const wchar_t* prefix, HRESULT hr)
{
    BoxText text;
    text.append(prefix);
    wchar_t code[32];
    swprintf(code, 32, L" (HRESULT 0x%X)", static_cast<unsigned>(hr));
    text.append(code);

    IErrorInfo* errorInfo = nullptr;
    BSTR description = nullptr;
    if (GetErrorInfo(0, &errorInfo) == S_OK && errorInfo && SUCCEEDED(errorInfo->GetDescription(&description))) {
        text.append(L"\n\"");
        text.append(description);
        text.append(L"\"");
    }
    ShowMessageBoxW(nullptr, text.get(), L"COM Error", MB_ICONHAND);
    SysFreeString(description);
    if (errorInfo)
        errorInfo->Release();
}
