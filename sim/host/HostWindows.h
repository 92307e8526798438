// natspeak.exe's own windows: the main window (type a phrase, "Speak"), DragonPad and
// DragonPad's Font dialog, so that per-window activation can be tried by hand.
#pragma once

#include <windows.h>
#include <functional>
#include <map>
#include <string>

namespace qmhost {

// Caption of the Font dialog in the system's language.
std::wstring FontDialogTitle();

class HostWindows {
public:
    // speak is called on the main thread with the typed phrase.
    bool Create(std::function<void(const std::string&)> speak);
    void Destroy();

    HWND Main() const { return main_; }
    HWND DragonPad() const { return dragonPad_; }
    HWND FontDialog(); // created on first use, owned by DragonPad
    HWND Extra(const std::wstring& title); // a plain top-level window, made on first use of the title
    HWND FindExtra(const std::wstring& title) const; // null unless Extra made one
    bool IsDialogMessageOfHost(MSG& msg);

private:
    static LRESULT CALLBACK MainProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PadProc(HWND, UINT, WPARAM, LPARAM);
    static INT_PTR CALLBACK FontProc(HWND, UINT, WPARAM, LPARAM);

    HWND main_ = nullptr;
    HWND edit_ = nullptr;
    HWND dragonPad_ = nullptr;
    HWND padEdit_ = nullptr;
    HWND font_ = nullptr;
    std::function<void(const std::string&)> speak_;
    std::map<std::wstring, HWND> extra_;
};

} // namespace qmhost
