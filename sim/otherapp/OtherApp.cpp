// qm-otherapp.exe: a window of another process, so that the simulated Dragon can put a
// foreign program in the foreground. It comes forward itself when asked, since only the
// foreground process may hand the foreground on. Started with its parent's process id, it
// ends when the parent does, so that no run leaves it behind.
#include <windows.h>
#include <cwchar>

namespace {

constexpr UINT WM_OTHERAPP_FOREGROUND = WM_APP + 0x32;

LRESULT CALLBACK OtherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_OTHERAPP_FOREGROUND:
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    DWORD parentId = static_cast<DWORD>(wcstoul(commandLine ? commandLine : L"", nullptr, 10));
    HANDLE parent = parentId ? OpenProcess(SYNCHRONIZE, FALSE, parentId) : nullptr;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = OtherProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QmOtherApp";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, L"QmOtherApp", L"Other Application", WS_OVERLAPPEDWINDOW, 600, 100, 300, 200,
                                  nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    for (;;) {
        DWORD handles = parent ? 1 : 0;
        DWORD woke = MsgWaitForMultipleObjects(handles, &parent, FALSE, INFINITE, QS_ALLINPUT);
        if (parent && woke == WAIT_OBJECT_0)
            break; // the host has ended
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                if (parent)
                    CloseHandle(parent);
                return 0;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    CloseHandle(parent);
    return 0;
}
