// Loads modules the way Dragon does: the global clients named in nssystem.ini and their
// classes from nsapps.ini (CoCreateInstance), or one module file directly.
#pragma once

#include "SimEngine.h"
#include "../../grammar/DragonInterfaces.h"

#include <wrl/client.h>
#include <string>
#include <vector>

namespace qmhost {

struct LoadedModule {
    std::string name;      // the client's key, or the file path
    CLSID clsid = {};
    HMODULE library = nullptr; // only for a module loaded by path
    std::wstring path;     // the module file, for DllCanUnloadNow
    Microsoft::WRL::ComPtr<IDgnAppSupportW> appSupport;
    bool registered = false;
    HRESULT canUnload = E_PENDING; // DllCanUnloadNow's last answer (E_PENDING: not asked)
    bool freed = false;
};

class ModuleLoader {
public:
    explicit ModuleLoader(qmsim::Engine& engine) : engine_(engine) {}

    // Every global client of the configuration; returns how many were created.
    int LoadFromConfiguration(const std::wstring& folder);
    bool LoadFromFile(const std::wstring& path, const CLSID& clsid);
    void RegisterAll();
    // UnRegister, release, drop the engine's sink references, ask DllCanUnloadNow (once
    // only: a later call does nothing).
    void UnregisterAll();
    bool Unregistered() const { return unregistered_; }
    // Asks DllCanUnloadNow again of every unregistered module that has not answered S_OK
    // yet; an answer that differs from the last one is recorded.
    void AskUnload();
    // Frees the libraries of the modules that answered S_OK. Only where none of their
    // code can be on the stack: between the messages of the main loop, or at the end.
    void FreeUnloadable();
    // The modules that have not answered S_OK (none before UnregisterAll).
    std::vector<std::string> NotUnloadable() const;
    bool Empty() const { return modules_.empty(); }

private:
    bool Create(LoadedModule& module, IUnknown* object);
    void AskUnload(LoadedModule& module);
    qmsim::Engine& engine_;
    std::vector<LoadedModule> modules_;
    bool unregistered_ = false;
};

std::wstring DragonConfigurationFolder(); // C:\ProgramData\Nuance\NaturallySpeaking15
std::string GuidText(const GUID& guid);

} // namespace qmhost
