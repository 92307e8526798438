#include "ServerRegistration.h"

#include "../common/ModuleInstance.h"
#include "RegistryScript.h"
#include "../common/TextConversion.h"

#include <string>

namespace {

bool LoadRegistryScript(std::wstring& script)
{
    HINSTANCE instance = ModuleInstance();
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(IDR_QUILLMOOR_REGISTRY), L"REGISTRY");
    if (!resource)
        return false;
    HGLOBAL loaded = LoadResource(instance, resource);
    DWORD size = SizeofResource(instance, resource);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes || size == 0)
        return false;
    script = WidenText(bytes, size, CP_ACP);
    return !script.empty();
}

bool ModulePath(std::wstring& path)
{
    // Paths may exceed MAX_PATH; grow until the name fits.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        path.assign(capacity, L'\0');
        DWORD length = GetModuleFileNameW(ModuleInstance(), &path[0], capacity);
        if (length == 0)
            return false;
        if (length < capacity) {
            path.resize(length);
            return true;
        }
    }
    return false;
}

HRESULT ApplyModuleScript(RegistryScriptAction action, HKEY rootOverride)
{
    std::wstring script, path;
    if (!LoadRegistryScript(script))
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    if (!ModulePath(path))
        return HRESULT_FROM_WIN32(GetLastError());
    RegistryVariables variables;
    variables[L"MODULE"] = path;
    return ApplyRegistryScript(script, variables, action, rootOverride);
}

} // namespace

HRESULT RegisterModuleServer(HKEY rootOverride)
{
    return ApplyModuleScript(RegistryScriptAction::Register, rootOverride);
}

HRESULT UnregisterModuleServer(HKEY rootOverride)
{
    return ApplyModuleScript(RegistryScriptAction::Unregister, rootOverride);
}
