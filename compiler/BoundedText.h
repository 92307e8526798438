// Message and log texts are limited to what a 256-byte buffer holds. Rather than lose
// the end of a message (for a syntax error, the explanation of OK and Cancel), the
// variable part - an offending line, a token, a name - is shortened and marked "...".
#pragma once

#include <cstddef>
#include <string>

constexpr std::size_t kMaxMessageLength = 255; // bytes, without the terminating NUL

// The longest length n <= limit at which text can be cut without splitting a
// character of the ANSI code page (Windows) or of UTF-8 (elsewhere).
std::size_t CharacterBoundary(const std::string& text, std::size_t limit);

// before + variable + after, with variable cut to a prefix followed by "..." when the
// whole would exceed limit bytes. If before and after alone are too long, the result
// is cut to a prefix of at most limit bytes.
std::string FitMessage(const std::string& before, const std::string& variable,
                       const std::string& after, std::size_t limit = kMaxMessageLength);
