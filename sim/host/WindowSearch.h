// Finding a top-level window by its title.
#pragma once

#include <windows.h>
#include <string>

namespace qmhost {

// The first top-level window whose title is title (or starts with it, when prefix), of
// this process only when ownProcess; null if none.
HWND FindTopLevel(const std::wstring& title, bool prefix, bool ownProcess);

} // namespace qmhost
