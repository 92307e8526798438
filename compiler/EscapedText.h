// Makes a text safe to print as one line: backslash and control bytes become C escapes.
#pragma once

#include <string>

// "\\", "\r", "\n", "\t" and "\xHH" for other bytes below 0x20 and for 0x7F;
// every other byte (including bytes from 0x80 up) is kept.
std::string EscapeControlBytes(const std::string& text);
