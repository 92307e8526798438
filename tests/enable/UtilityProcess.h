// Runs the enable utility as a separate process and works its dialog the way a user would,
// from outside: window texts, button states, clicks, keys, message boxes and the screen.
#pragma once

#include "../support/ScreenColour.h"

#include <windows.h>

#include <string>

enum class Rights
{
    Inherited,             // the test's own token (an administrator under Wine)
    WithoutAdministrators, // the Administrators group disabled, as for a non-elevated user
};

struct MessageBoxSeen
{
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
    bool hasCancel = false;
    bool hasErrorIcon = false;
};

class UtilityProcess
{
public:
    explicit UtilityProcess(Rights rights = Rights::Inherited);
    // Another copy of the utility, by its Windows path (empty: the one of this build).
    explicit UtilityProcess(const std::wstring& program, Rights rights = Rights::Inherited);
    // Adopts an instance that another process (the elevation restart) started.
    UtilityProcess(HANDLE process, DWORD processId, HWND dialog);
    ~UtilityProcess();

    UtilityProcess(const UtilityProcess&) = delete;
    UtilityProcess& operator=(const UtilityProcess&) = delete;

    bool started() const { return dialog_ != nullptr; }
    HWND dialog() const { return dialog_; }
    DWORD processId() const { return processId_; }

    std::wstring text(int control) const;
    // The control's text once it reads `expected`, or the last text seen after the timeout.
    std::wstring waitForText(int control, const std::wstring& expected, DWORD timeoutMs = 3000) const;
    bool isEnabled(int control) const;
    // What the screen shows where the control is: the check mark is green, the cross red.
    ScreenColour colourShown(int control) const;
    HANDLE imageHandle(int control) const;

    void click(int control) const;
    void pressKey(WORD virtualKey) const;
    void clickCloseBox() const;

    // The next message box of this process, or a box with no window after the timeout.
    MessageBoxSeen waitForMessageBox(DWORD timeoutMs = 5000) const;
    static void answer(const MessageBoxSeen& box, int button);

    // The exit code, or STILL_ACTIVE when the process runs on after the timeout.
    DWORD waitForExit(DWORD timeoutMs = 5000) const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND dialog_ = nullptr;
};

// A path of the build machine as Wine's programs see it: the host's root is drive Z.
std::wstring windowsPathOf(const char* hostPath);

// What the screen shows where the window is: mostly green, mostly red, or neither.
ScreenColour screenColourOf(HWND window);

// The visible main dialog of any process but `exceptProcess`, waiting up to the timeout.
HWND findUtilityDialog(DWORD exceptProcess, DWORD timeoutMs);
// The dialog of one process, waiting up to the timeout.
HWND findUtilityDialogOf(DWORD processId, DWORD timeoutMs);
