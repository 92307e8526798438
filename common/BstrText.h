// A narrow text as a BSTR for the length of one call into Dragon.
#pragma once

#include "TextConversion.h"

#include <comdef.h>
#include <oleauto.h>

#include <cstring>
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
    // A null text gives a null BSTR; a failed allocation throws E_OUTOFMEMORY. A short text
    // (a rule or list name) is laid out as a BSTR inside this object: these are made for
    // every activation, thousands of them while the engine holds an utterance.
    BstrText(const char* text, UINT codePage)
    {
        if (!text)
            return;
        // Each UTF-16 unit takes at least one byte of the narrow text.
        const size_t count = std::strlen(text);
        if (count <= kInlineLength) {
            int length = count ? MultiByteToWideChar(codePage, 0, text, static_cast<int>(count), m_inline.text,
                                                     static_cast<int>(kInlineLength))
                               : 0;
            if (length < 0)
                length = 0;
            m_inline.bytes = static_cast<UINT>(length) * sizeof(WCHAR);
            m_inline.text[length] = L'\0';
            m_text = m_inline.text;
            return;
        }
        std::wstring wide = WideOrOutOfMemory(text, codePage);
        m_text = SysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size()));
        if (!m_text)
            throw _com_error(E_OUTOFMEMORY);
    }
    ~BstrText()
    {
        if (m_text != m_inline.text)
            SysFreeString(m_text);
    }
    BstrText(const BstrText&) = delete;
    BstrText& operator=(const BstrText&) = delete;
    BSTR get() const { return m_text; }

private:
    static constexpr size_t kInlineLength = 63;
    // A BSTR's layout: the length in bytes just before the characters.
    struct {
        UINT bytes;
        WCHAR text[kInlineLength + 1];
    } m_inline;
    BSTR m_text = nullptr;
};
