// The module's class objects: one factory per entry of the class table, created on the
// first request and kept until the library detaches.
#pragma once

#include <windows.h>
#include <unknwn.h>

using CreateInstanceFunction = HRESULT (*)(REFIID iid, void** object);

struct ClassTableEntry {
    const CLSID* clsid;
    CreateInstanceFunction create;
};

// DllGetClassObject's work: CLASS_E_CLASSNOTAVAILABLE for a class not in the table.
HRESULT GetModuleClassObject(REFCLSID clsid, REFIID iid, void** object);

// Releases the kept factories (library detach).
void ReleaseModuleClassObjects();
