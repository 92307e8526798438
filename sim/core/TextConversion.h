// The core keeps every text as UTF-8. Texts arrive as UTF-16 (names and word records
// at the COM boundary) or as single-byte names of a binary grammar (Windows-1252).
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

// Windows-1252; the five unassigned bytes map to U+FFFD.
std::string Cp1252ToUtf8(const std::string& text);

// ASCII letters compare without case; every other byte exactly.
bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b);

// Splits at spaces, tabs, CR and LF; no empty words.
std::vector<std::string> SplitWords(const std::string& text);

} // namespace qmsim
