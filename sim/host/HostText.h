// Text helpers of the host: UTF-8 <-> UTF-16, a window's text, one-line forms for the
// transcript.
#pragma once

#include <windows.h>
#include <string>

namespace qmhost {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& text);

// WM_GETTEXT with a time limit, so that a hung window cannot stop the host.
std::wstring WindowText(HWND window);

std::string WithoutReturns(const std::string& text);

// Control characters become escapes (\n, \r, \t) so that a text stays on one line.
std::string OneLine(const std::string& text);

} // namespace qmhost
