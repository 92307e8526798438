// The utility's one window: modal dialog 101 showing whether Dragon loads the module and
// whether the process is elevated, with the buttons that change either.
#pragma once

#include <windows.h>

class MainDialog
{
public:
    MainDialog(HINSTANCE instance, HICON icon, bool enabled, bool elevated);

    virtual INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual ~MainDialog();
    virtual DLGPROC dialogProc() const;
    // Called with WM_NCDESTROY, after the window has let go of this object.
    virtual void onFinalMessage(HWND window);

    // Runs the dialog until it ends and returns its result.
    INT_PTR runModal(HWND owner);

    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

private:
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void onInitDialog();
    void onCommand(WORD id);
    void showEnabledState();
    void showElevatedState();
    void toggleEnabled();
    void elevate();

    HINSTANCE instance;
    HWND window = nullptr;
    HICON icon;
    bool enabled;
    bool elevated;
};
