// A narrow text as a BSTR for the length of one call into Dragon.
#pragma once

#include "TextConversion.h"

#include <comdef.h>
#include <oleauto.h>

#include <new>

// The recogniser's callers expect a failed allocation as the COM error E_OUTOFMEMORY.
inline std::wstring WideOrOutOfMemory(const char* text, UINT codePage)
{
    try {
        return WidenText(text, codePage);
    } catch (const std::bad_alloc&) {
        throw _com_error(E_OUTOFMEMORY);
    }
}

class BstrText {
public:
    // A null text gives a null BSTR; a failed allocation throws E_OUTOFMEMORY.
    BstrText(const char* text, UINT codePage)
    {
        if (!text)
            return;
        std::wstring wide = WideOrOutOfMemory(text, codePage);
        m_text = SysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size()));
        if (!m_text)
            throw _com_error(E_OUTOFMEMORY);
    }
    ~BstrText() { SysFreeString(m_text); }
    BstrText(const BstrText&) = delete;
    BstrText& operator=(const BstrText&) = delete;
    BSTR get() const { return m_text; }

private:
    BSTR m_text = nullptr;
};
