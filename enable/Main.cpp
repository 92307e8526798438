// Entry of "Enable Quillmoor 2023 Testing": reads both states once and runs the dialog.
#include "DragonConfig.h"
#include "IsUserAdmin.h"
#include "MainDialog.h"
#include "Resource.h"
#include "WindowsError.h"

#include <windows.h>

namespace {

bool isElevated()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    // Before Vista there is no elevation: an administrator always has the rights.
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    if (GetVersionExW(&version) && version.dwMajorVersion <= 5)
        return true;
    try {
        return isUserAdmin();
    } catch (const WindowsError&) {
        // Unknown rights: show the non-elevated state; "Elevate Now" checks again and reports.
        return false;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    const bool elevated = isElevated();
    const bool enabled = DragonConfig::isEnabled();

    MainDialog dialog(instance, icon, enabled, elevated);
    dialog.runModal(GetActiveWindow());
    return 0;
}
