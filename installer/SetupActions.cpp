// Custom actions of the Quillmoor package. They keep Dragon's configuration files from naming a
// module that is gone: uninstalling removes the module's entries the way the enable utility's
// "Disable Now" does, and an upgrade leaves the module enabled when it was enabled before.
#include "DragonConfig.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <stdio.h>

namespace {

// Set by RememberDragonState when Dragon loads the module; read by the package's conditions.
const wchar_t kEnabledProperty[] = L"QUILLMOOR_ENABLED_IN_DRAGON";

// One line in the installation log.
void logLine(MSIHANDLE install, const wchar_t* action, const wchar_t* what, DWORD error)
{
    wchar_t text[256];
    swprintf(text, sizeof text / sizeof text[0], L"%ls: %ls (error %lu)", action, what, error);
    PMSIHANDLE record = MsiCreateRecord(0);
    MsiRecordSetStringW(record, 0, text);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

} // namespace

// Immediate, before an older version is removed: whether Dragon loads the module now.
extern "C" UINT __stdcall RememberDragonState(MSIHANDLE install)
{
    if (DragonConfig::isEnabled())
        MsiSetPropertyW(install, kEnabledProperty, L"1");
    return ERROR_SUCCESS;
}

// Deferred, when the product is removed for good: both entries go. A failure fails the
// uninstall, which then keeps the module, so that the configuration never names a missing one.
extern "C" UINT __stdcall RemoveFromDragon(MSIHANDLE install)
{
    if (!DragonConfig::namesModule())
        return ERROR_SUCCESS;
    const DWORD error = DragonConfig::disable();
    if (error == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    logLine(install, L"RemoveFromDragon", L"Dragon's configuration files could not be changed", error);
    return ERROR_INSTALL_FAILURE;
}

// Deferred, after an upgrade has installed its files: the entries again, in case the older
// version's removal took them away (it leaves them when the installer tells it that it is being
// upgraded, but not every installer does). A failure is logged and changes nothing else: the
// configuration then merely stops naming the module, which is safe.
extern "C" UINT __stdcall RestoreInDragon(MSIHANDLE install)
{
    const DWORD error = DragonConfig::enable();
    if (error != ERROR_SUCCESS)
        logLine(install, L"RestoreInDragon", L"Dragon's configuration files could not be changed", error);
    return ERROR_SUCCESS;
}
