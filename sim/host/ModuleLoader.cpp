#include "ModuleLoader.h"
#include "HostText.h"

#include <cstdio>

namespace qmhost {
namespace {

// The in-process server path that COM used for a class.
std::wstring RegisteredPath(const CLSID& clsid) {
    wchar_t guid[64] = {};
    StringFromGUID2(clsid, guid, 64);
    std::wstring key = std::wstring(L"CLSID\\") + guid + L"\\InprocServer32";
    wchar_t path[MAX_PATH] = {};
    LONG size = sizeof path;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), path, &size) != ERROR_SUCCESS)
        return std::wstring();
    return path;
}

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

} // namespace

std::wstring DragonConfigurationFolder() { return L"C:\\ProgramData\\Nuance\\NaturallySpeaking15"; }

std::string GuidText(const GUID& guid) {
    wchar_t text[64] = {};
    StringFromGUID2(guid, text, 64);
    return qmsim::Narrow(text);
}

bool ModuleLoader::Create(LoadedModule& module, IUnknown* object) {
    HRESULT hr = object->QueryInterface(IID_IDgnAppSupportW, reinterpret_cast<void**>(module.appSupport.GetAddressOf()));
    if (FAILED(hr) || !module.appSupport) {
        engine_.Record("module " + module.name + ": no IDgnAppSupportW (" + qmsim::HexCode(hr) + ")");
        return false;
    }
    modules_.push_back(module);
    return true;
}

int ModuleLoader::LoadFromConfiguration(const std::wstring& folder) {
    std::wstring system = folder + L"\\nssystem.ini";
    std::wstring apps = folder + L"\\nsapps.ini";
    std::vector<wchar_t> keys(32768, L'\0');
    DWORD got = GetPrivateProfileStringW(L"Global Clients", nullptr, L"", keys.data(), (DWORD)keys.size(), system.c_str());
    int created = 0;
    for (const wchar_t* key = keys.data(); key < keys.data() + got && *key; key += wcslen(key) + 1) {
        LoadedModule module;
        module.name = qmsim::Narrow(key);
        wchar_t guid[256] = {};
        GetPrivateProfileStringW(key, L"App Support GUID", L"", guid, 256, apps.c_str());
        if (!*guid) {
            engine_.Record("global client " + module.name + ": no \"App Support GUID\" in nsapps.ini");
            continue;
        }
        if (FAILED(CLSIDFromString(guid, &module.clsid))) {
            engine_.Record("global client " + module.name + ": bad class identifier " + qmsim::Narrow(guid));
            continue;
        }
        Microsoft::WRL::ComPtr<IUnknown> object;
        HRESULT hr = CoCreateInstance(module.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(object.GetAddressOf()));
        if (FAILED(hr)) {
            engine_.Record("global client " + module.name + ": CoCreateInstance " + GuidText(module.clsid) +
                           " failed with " + qmsim::HexCode(hr));
            continue;
        }
        module.path = RegisteredPath(module.clsid);
        engine_.Record("global client " + module.name + ": created " + GuidText(module.clsid));
        if (Create(module, object.Get()))
            ++created;
    }
    if (created == 0)
        engine_.Record("no global client loaded from " + qmsim::Narrow(system));
    return created;
}

bool ModuleLoader::LoadFromFile(const std::wstring& path, const CLSID& clsid) {
    LoadedModule module;
    module.name = qmsim::Narrow(path);
    module.path = path;
    module.clsid = clsid;
    module.library = LoadLibraryW(path.c_str());
    if (!module.library) {
        engine_.Record("module " + module.name + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    auto getClassObject = reinterpret_cast<GetClassObject>(reinterpret_cast<void (*)()>(GetProcAddress(module.library, "DllGetClassObject")));
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject ? getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()))
                                : E_NOINTERFACE;
    Microsoft::WRL::ComPtr<IUnknown> object;
    if (SUCCEEDED(hr) && factory)
        hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr) || !object) {
        engine_.Record("module " + module.name + ": class " + GuidText(clsid) + " not created (" + qmsim::HexCode(hr) + ")");
        return false;
    }
    engine_.Record("module " + module.name + ": created " + GuidText(clsid));
    return Create(module, object.Get());
}

void ModuleLoader::RegisterAll() {
    for (LoadedModule& module : modules_) {
        Microsoft::WRL::ComPtr<IServiceProvider> site;
        if (FAILED(engine_.CreateSite(site.GetAddressOf())))
            continue;
        engine_.Record("Register " + module.name);
        HRESULT hr = module.appSupport->Register(site.Get());
        module.registered = true;
        engine_.Record("Register returned " + qmsim::HexCode(hr));
    }
}

void ModuleLoader::UnregisterAll() {
    if (unregistered_)
        return;
    unregistered_ = true;
    for (LoadedModule& module : modules_) {
        if (module.registered) {
            engine_.Record("UnRegister " + module.name);
            HRESULT hr = module.appSupport->UnRegister();
            engine_.Record("UnRegister returned " + qmsim::HexCode(hr));
        }
        ULONG left = module.appSupport.Reset();
        engine_.Record("released " + module.name + " (" + std::to_string(left) + " references left)");
    }
    // What the modules left behind, before the engine lets go of it.
    qmsim::EngineSnapshot snapshot = engine_.Snapshot();
    engine_.Record("grammars still loaded: " + std::to_string(snapshot.grammars.size()));
    engine_.Record("sinks still registered: " + std::to_string(snapshot.engineSinks.size()) + " engine, " +
                   std::to_string(snapshot.actionSinks) + " action");
    engine_.ReleaseSinks();
    AskUnload();
}

void ModuleLoader::AskUnload() {
    if (!unregistered_)
        return;
    for (LoadedModule& module : modules_)
        if (module.canUnload != S_OK)
            AskUnload(module);
}

void ModuleLoader::AskUnload(LoadedModule& module) {
    HMODULE library = module.library ? module.library
                                     : (module.path.empty() ? nullptr : GetModuleHandleW(module.path.c_str()));
    auto canUnload = library ? reinterpret_cast<CanUnloadNow>(reinterpret_cast<void (*)()>(GetProcAddress(library, "DllCanUnloadNow"))) : nullptr;
    HRESULT hr = canUnload ? canUnload() : E_NOTIMPL;
    if (hr == module.canUnload)
        return;
    module.canUnload = hr;
    engine_.Record("DllCanUnloadNow " + module.name + ": " +
                   (!canUnload ? std::string("not found")
                    : hr == S_OK ? std::string("S_OK")
                    : hr == S_FALSE ? std::string("S_FALSE") : qmsim::HexCode(hr)));
}

void ModuleLoader::FreeUnloadable() {
    bool any = false;
    for (LoadedModule& module : modules_) {
        if (module.canUnload != S_OK || module.freed)
            continue;
        module.freed = any = true;
        if (module.library) {
            FreeLibrary(module.library);
            module.library = nullptr;
            engine_.Record("freed " + module.name);
        }
    }
    // Libraries that COM loaded go with COM's own DllCanUnloadNow check.
    if (any)
        CoFreeUnusedLibraries();
}

std::vector<std::string> ModuleLoader::NotUnloadable() const {
    std::vector<std::string> names;
    for (const LoadedModule& module : modules_)
        if (unregistered_ && module.canUnload != S_OK)
            names.push_back(module.name);
    return names;
}

} // namespace qmhost
