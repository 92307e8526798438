#include "HostWindows.h"
#include "HostResources.h"
#include "HostText.h"

namespace qmhost {
namespace {

constexpr int kPhraseEdit = 100;
constexpr int kSpeakButton = 101;
constexpr int kPadEdit = 102;
HostWindows* g_windows = nullptr;

} // namespace

std::wstring FontDialogTitle() {
    switch (GetSystemDefaultLCID() & 0x3FF) {
    case 0x07:
        return L"Schriftart";
    case 0x13:
        return L"Lettertype";
    default:
        return L"Font";
    }
}

bool HostWindows::Create(std::function<void(const std::string&)> speak) {
    g_windows = this;
    speak_ = std::move(speak);
    HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"QmNatSpeakMain";
    RegisterClassExW(&wc);
    wc.lpfnWndProc = PadProc;
    wc.lpszClassName = L"QmDragonPad";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassExW(&wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"QmHostWindow";
    RegisterClassExW(&wc);

    main_ = CreateWindowExW(0, L"QmNatSpeakMain", L"Dragon NaturallySpeaking (simulated)",
                            WS_OVERLAPPEDWINDOW, 40, 40, 460, 110, nullptr, nullptr, instance, nullptr);
    if (!main_)
        return false;
    edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                            10, 12, 320, 24, main_, reinterpret_cast<HMENU>(kPhraseEdit), instance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"Speak", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 340, 10, 90, 28,
                    main_, reinterpret_cast<HMENU>(kSpeakButton), instance, nullptr);

    HMENU menu = CreateMenu();
    HMENU format = CreatePopupMenu();
    AppendMenuW(format, MF_STRING, IDM_DRAGONPAD_FONT, L"&Font...");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(format), L"F&ormat");
    dragonPad_ = CreateWindowExW(0, L"QmDragonPad", L"DragonPad - Document", WS_OVERLAPPEDWINDOW, 120, 180, 520,
                                 360, nullptr, menu, instance, nullptr);
    if (!dragonPad_)
        return false;
    padEdit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                               0, 0, 0, 0, dragonPad_, reinterpret_cast<HMENU>(kPadEdit), instance, nullptr);
    ShowWindow(main_, SW_SHOW);
    ShowWindow(dragonPad_, SW_SHOWNOACTIVATE);
    return true;
}

HWND HostWindows::Extra(const std::wstring& title) {
    HWND& window = extra_[title];
    if (!window) {
        window = CreateWindowExW(0, L"QmHostWindow", title.c_str(), WS_OVERLAPPEDWINDOW, 200, 240, 360, 200, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window)
            ShowWindow(window, SW_SHOW);
    }
    return window;
}

HWND HostWindows::FindExtra(const std::wstring& title) const {
    auto found = extra_.find(title);
    return found == extra_.end() ? nullptr : found->second;
}

void HostWindows::Destroy() {
    for (auto& entry : extra_)
        DestroyWindow(entry.second);
    extra_.clear();
    if (font_)
        DestroyWindow(font_);
    if (dragonPad_)
        DestroyWindow(dragonPad_);
    if (main_)
        DestroyWindow(main_);
    font_ = dragonPad_ = main_ = nullptr;
}

HWND HostWindows::FontDialog() {
    if (!font_) {
        font_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FONT), dragonPad_, FontProc, 0);
        if (font_)
            SetWindowTextW(font_, FontDialogTitle().c_str());
    }
    if (font_)
        ShowWindow(font_, SW_SHOW);
    return font_;
}

bool HostWindows::IsDialogMessageOfHost(MSG& msg) {
    return font_ && IsDialogMessageW(font_, &msg);
}

LRESULT CALLBACK HostWindows::MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HostWindows* self = g_windows;
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kSpeakButton && self) {
            int length = GetWindowTextLengthW(self->edit_);
            std::wstring text(length + 1, L'\0');
            GetWindowTextW(self->edit_, &text[0], length + 1);
            text.resize(length);
            if (self->speak_)
                self->speak_(qmsim::Narrow(text));
            return 0;
        }
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK HostWindows::PadProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HostWindows* self = g_windows;
    switch (message) {
    case WM_SIZE:
        if (self && self->padEdit_)
            MoveWindow(self->padEdit_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (self && self->padEdit_)
            SetFocus(self->padEdit_);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_DRAGONPAD_FONT && self) {
            HWND font = self->FontDialog();
            if (font)
                SetForegroundWindow(font);
            return 0;
        }
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE); // DragonPad belongs to the host: hidden, never closed
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK HostWindows::FontProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        HWND names = GetDlgItem(dialog, IDC_FONT_NAME);
        for (const wchar_t* name : {L"Arial", L"Courier New", L"Times New Roman"})
            SendMessageW(names, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        SendMessageW(names, CB_SETCURSEL, 0, 0);
        SetDlgItemInt(dialog, IDC_FONT_SIZE, 10, FALSE);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ShowWindow(dialog, SW_HIDE);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace qmhost
