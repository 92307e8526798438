// The simulated Dragon keeps every text as UTF-8. Texts arrive as UTF-16 (names and word
// records at the COM boundary, window texts of the host) or as single-byte names of a
// binary grammar (Windows-1252). These are its only conversions.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qmsim {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const char16_t* text, size_t units);
std::string Utf16ToUtf8(const std::u16string& text);

// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);

#ifdef _WIN32
// The Windows side (engine and host), where wchar_t holds UTF-16. Null gives "".
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is UTF-16 on Windows");
inline std::string Narrow(const std::wstring& text)
{
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text.data()), text.size());
}
inline std::string Narrow(const wchar_t* text)
{
    return text ? Narrow(std::wstring(text)) : std::string();
}
inline std::wstring Widen(const std::string& text)
{
    std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}
#endif

// Windows-1252; the five unassigned bytes map to U+FFFD.
std::string Cp1252ToUtf8(const std::string& text);
// Back to Windows-1252 (the module's ANSI texts); a character it lacks becomes "?".
std::string Utf8ToCp1252(const std::string& text);

// ASCII letters compare without case; every other byte exactly.
bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b);
// The text with ASCII letters in lower case: two texts have the same folded form exactly
// when EqualIgnoringAsciiCase holds for them.
std::string FoldedAsciiCase(std::string text);

// Splits at spaces, tabs, CR and LF; no empty words.
std::vector<std::string> SplitWords(const std::string& text);

} // namespace qmsim
