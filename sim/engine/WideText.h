// UTF-16 <-> UTF-8 for the Windows side of the simulated Dragon (engine and host).
#pragma once

#include <string>

namespace qmsim {

std::string Narrow(const wchar_t* text); // null or empty: ""
std::wstring Widen(const std::string& text);

} // namespace qmsim
