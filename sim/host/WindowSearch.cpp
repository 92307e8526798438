#include "WindowSearch.h"

#include <dlgs.h>

namespace qmhost {
namespace {

struct TitleSearch {
    std::wstring title;
    bool prefix;
    bool ownProcess;
    bool visibleOnly;
    HWND found;
};

bool OfThisProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<TitleSearch*>(param);
    if ((s->ownProcess && !OfThisProcess(window)) || (s->visibleOnly && !IsWindowVisible(window)))
        return TRUE;
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

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    return _wcsicmp(className, name) == 0;
}

bool IsBoxAnswer(int id) {
    return (id >= IDOK && id <= IDNO) || id == IDCLOSE || id == IDHELP || id == IDTRYAGAIN || id == IDCONTINUE;
}

BOOL CALLBACK CollectFileDialog(HWND window, LPARAM param) {
    if (OfThisProcess(window) && IsWindowVisible(window) && IsFileDialog(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindDescendantEdit(HWND parent) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (HasClass(child, L"Edit"))
            return child;
        if (HWND inner = FindDescendantEdit(child))
            return inner;
    }
    return nullptr;
}

} // namespace

HWND FindTopLevel(const std::wstring& title, bool prefix, bool ownProcess, bool visibleOnly) {
    TitleSearch search{title, prefix, ownProcess, visibleOnly, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsMessageBox(HWND window) {
    if (!HasClass(window, L"#32770"))
        return false;
    int texts = 0, icons = 0, buttons = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child) & 0xFFFF;
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (HasClass(child, L"Static")) {
            if (id == 0xFFFF && (style & SS_TYPEMASK) != SS_ICON)
                ++texts;
            else if ((style & SS_TYPEMASK) == SS_ICON)
                ++icons;
            else
                return false;
        } else if (HasClass(child, L"Button")) {
            LONG type = style & BS_TYPEMASK;
            if (!IsBoxAnswer(id) || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON))
                return false;
            ++buttons;
        } else {
            return false;
        }
    }
    return texts == 1 && icons <= 1 && buttons >= 1;
}

bool IsFileDialog(HWND window) {
    if (!HasClass(window, L"#32770") || !GetDlgItem(window, IDOK) || IsMessageBox(window))
        return false;
    return GetDlgItem(window, cmb13) || (GetDlgItem(window, edt1) && GetDlgItem(window, lst1));
}

HWND FindFileDialog() {
    HWND found = nullptr;
    EnumWindows(CollectFileDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FileNameEdit(HWND fileDialog) {
    if (HWND combo = GetDlgItem(fileDialog, cmb13))
        return HasClass(combo, L"Edit") ? combo : FindDescendantEdit(combo);
    return GetDlgItem(fileDialog, edt1);
}

} // namespace qmhost
