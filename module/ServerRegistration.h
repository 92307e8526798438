// DllRegisterServer / DllUnregisterServer: the registry script of resource 101 ("REGISTRY")
// applied with %MODULE% = the module's full path.
#pragma once

#include <windows.h>

constexpr int IDR_QUILLMOOR_REGISTRY = 101;

// rootOverride: see ApplyRegistryScript.
HRESULT RegisterModuleServer(HKEY rootOverride = nullptr);
HRESULT UnregisterModuleServer(HKEY rootOverride = nullptr);
