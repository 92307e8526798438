#include "MainDialog.h"

#include "CentreWindow.h"
#include "DragonConfig.h"
#include "IsUserAdmin.h"
#include "ReportErrorAndExit.h"
#include "Resource.h"
#include "WindowsError.h"

#include <shellapi.h>
#include <strsafe.h>

namespace {

// Loaded once and shared by every state for the life of the process.
HBITMAP checkMarkBitmap = nullptr;
HBITMAP crossBitmap = nullptr;

void loadStateBitmaps(HINSTANCE instance)
{
    if (!checkMarkBitmap)
        checkMarkBitmap = static_cast<HBITMAP>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDB_CHECK_MARK), IMAGE_BITMAP, 18, 18, 0));
    if (!crossBitmap)
        crossBitmap = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_CROSS), IMAGE_BITMAP, 18, 18, 0));
}

void setBitmap(HWND dialog, int control, HBITMAP bitmap)
{
    SendDlgItemMessageW(dialog, control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

const wchar_t kEnabledText[] = L"Quillmoor 2023 Testing is enabled.";
const wchar_t kDisabledText[] = L"Quillmoor 2023 Testing is disabled.";
const wchar_t kEnabledResult[] =
    L">> Quillmoor has been enabled successfully. <<\r\n\r\nThe change will take effect on the next restart of Dragon.";
const wchar_t kDisabledResult[] =
    L">> Quillmoor has been disabled successfully. <<\r\n\r\nThe change will take effect on the next restart of Dragon.";
const wchar_t kElevatedText[] = L"The current process is elevated.";
const wchar_t kNotElevatedText[] = L"The current process is not elevated.";
const wchar_t kElevatedHowTo[] = L"You may now change the enabled state of the QM module.";
const wchar_t kNotElevatedHowTo[] =
    L"Elevation is required to change the enabled state of the QM module.\r\n\r\n"
    L"If you want to change it, start by clicking \"Elevate Now\".\r\n\r\n"
    L"When prompted by the UAC, feel safe to confirm.\r\n\r\n"
    L"The process will be stopped and restarted elevated automatically.";

} // namespace

MainDialog::MainDialog(HINSTANCE instance, HICON icon, bool enabled, bool elevated)
    : instance(instance), icon(icon), enabled(enabled), elevated(elevated)
{
}

MainDialog::~MainDialog() = default;

DLGPROC MainDialog::dialogProc() const
{
    return &MainDialog::dialogProcedure;
}

void MainDialog::onFinalMessage(HWND)
{
}

INT_PTR MainDialog::runModal(HWND owner)
{
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), owner, dialogProc(),
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MainDialog::dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MainDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<MainDialog*>(lParam);
        self->window = window;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self)
        return FALSE;

    const INT_PTR result = self->handleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window = nullptr;
        self->onFinalMessage(window);
    }
    return result;
}

INT_PTR MainDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog();
        return TRUE;
    case WM_COMMAND:
        onCommand(LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

void MainDialog::onCommand(WORD id)
{
    switch (id) {
    case IDC_TOGGLE_ENABLED:
        toggleEnabled();
        break;
    case IDC_ELEVATE:
        elevate();
        break;
    case IDCANCEL:
        EndDialog(window, IDCANCEL);
        break;
    default:
        break;
    }
}

void MainDialog::onInitDialog()
{
    if (icon) {
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    loadStateBitmaps(instance);
    centreWindow(window);
    showEnabledState();
    showElevatedState();
}

void MainDialog::showEnabledState()
{
    SetDlgItemTextW(window, IDC_ENABLED_TEXT, enabled ? kEnabledText : kDisabledText);
    SetDlgItemTextW(window, IDC_TOGGLE_ENABLED, enabled ? L"Disable Now" : L"Enable Now");
    setBitmap(window, IDC_ENABLED_BITMAP, enabled ? checkMarkBitmap : crossBitmap);
}

void MainDialog::showElevatedState()
{
    SetDlgItemTextW(window, IDC_ELEVATED_TEXT, elevated ? kElevatedText : kNotElevatedText);
    SetDlgItemTextW(window, IDC_INSTRUCTIONS, elevated ? kElevatedHowTo : kNotElevatedHowTo);
    setBitmap(window, IDC_ELEVATED_BITMAP, elevated ? checkMarkBitmap : crossBitmap);
    EnableWindow(GetDlgItem(window, IDC_TOGGLE_ENABLED), elevated);
    EnableWindow(GetDlgItem(window, IDC_ELEVATE), !elevated);
}

void MainDialog::toggleEnabled()
{
    const DWORD error = enabled ? DragonConfig::disable() : DragonConfig::enable();
    if (error == ERROR_SUCCESS) {
        enabled = !enabled;
        showEnabledState();
        SetDlgItemTextW(window, IDC_INSTRUCTIONS, enabled ? kEnabledResult : kDisabledResult);
        return;
    }
    // A refused disable is reported like a refused enable: the user must not take the
    // unchanged state for a success.
    if (error == ERROR_ACCESS_DENIED) {
        MessageBoxW(window, L"You are missing write permissions, obviously due to missing elevation.",
                    L"Access Denied", MB_OK | MB_ICONERROR);
        return;
    }
    SetLastError(error);
    reportErrorAndExit();
}

void MainDialog::elevate()
{
    try {
        if (isUserAdmin())
            return;
    } catch (const WindowsError& failure) {
        MessageBoxW(nullptr, L"Failed to determine if application was running with admin rights", L"Error", MB_OK);
        // The code of the failed check, not whatever the first box left in the last error.
        wchar_t text[256];
        StringCchPrintfW(text, ARRAYSIZE(text), L"Error code returned was 0x%08lx", failure.code);
        MessageBoxW(nullptr, text, L"Error", MB_OK);
    }

    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    // A cut path would name another program.
    if (length == 0 || length >= ARRAYSIZE(path))
        return;

    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.lpVerb = L"runas";
    execute.lpFile = path;
    execute.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&execute))
        ExitProcess(1);
    if (GetLastError() == ERROR_CANCELLED)
        MessageBoxW(nullptr, L"User did not allow elevation.", L"Elevation Failed.", MB_OK);
}
