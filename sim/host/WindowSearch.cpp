#include "WindowSearch.h"

namespace qmhost {
namespace {

struct TitleSearch {
    std::wstring title;
    bool prefix;
    bool ownProcess;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<TitleSearch*>(param);
    if (s->ownProcess) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId())
            return TRUE;
    }
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    std::wstring t = text;
    bool match = s->prefix ? !s->title.empty() && t.compare(0, s->title.size(), s->title) == 0 : t == s->title;
    if (match) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindTopLevel(const std::wstring& title, bool prefix, bool ownProcess) {
    TitleSearch search{title, prefix, ownProcess, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace qmhost
