// Conversions between the module's narrow texts (in the ANSI or the thread's code page, as
// the caller names) and UTF-16. Bytes not valid in the code page come out as replacement
// characters; a null text or one that cannot be converted comes out empty. A result that
// cannot be allocated throws std::bad_alloc.
#pragma once

#include <windows.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <string>

// count characters of text, which need not end in a NUL (any NUL among them is kept).
inline std::wstring WidenText(const char* text, size_t count, UINT codePage)
{
    if (!text || count == 0 || count > INT_MAX)
        return std::wstring();
    int length = MultiByteToWideChar(codePage, 0, text, static_cast<int>(count), nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    length = MultiByteToWideChar(codePage, 0, text, static_cast<int>(count), &wide[0], length);
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}

inline std::wstring WidenText(const char* text, UINT codePage)
{
    return text ? WidenText(text, std::strlen(text), codePage) : std::wstring();
}

inline std::string NarrowText(const wchar_t* text, size_t count, UINT codePage)
{
    if (!text || count == 0 || count > INT_MAX)
        return std::string();
    int length = WideCharToMultiByte(codePage, 0, text, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(length), '\0');
    length = WideCharToMultiByte(codePage, 0, text, static_cast<int>(count), &narrow[0], length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length > 0 ? length : 0));
    return narrow;
}

inline std::string NarrowText(const wchar_t* text, UINT codePage)
{
    return text ? NarrowText(text, std::wcslen(text), codePage) : std::string();
}
