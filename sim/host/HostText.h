// Text helpers of the host: a window's text, one-line forms for the transcript. The
// conversions are qmsim::Narrow and qmsim::Widen (TextConversion.h).
#pragma once

#include "TextConversion.h"

#include <windows.h>
#include <string>

namespace qmhost {

// WM_GETTEXT with a time limit, so that a hung window cannot stop the host.
std::wstring WindowText(HWND window);

std::string WithoutReturns(const std::string& text);

// Control characters become escapes (\n, \r, \t) so that a text stays on one line.
std::string OneLine(const std::string& text);

} // namespace qmhost
