// The module's COM class: Dragon creates it when a profile opens and calls Register with
// its site; UnRegister and the final release end the controller.
#pragma once

#include "../common/ModuleComObject.h"
#include "../grammar/DragonInterfaces.h"

class ModuleController;

class CDgnAppSupport final : public ModuleComObject<CDgnAppSupport, IDgnAppSupportW> {
    friend ModuleComObject;

public:
    // The class table's creation function.
    static HRESULT CreateInstance(REFIID iid, void** object);

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;

    STDMETHODIMP Register(IServiceProvider* site) override;
    STDMETHODIMP AddProcess(DWORD value1, DWORD value2, DWORD value3, DWORD value4) override;
    STDMETHODIMP EndProcess(DWORD value) override;
    STDMETHODIMP UnRegister() override;

    // The controller the last Register made; null before it.
    ModuleController* controller() const { return m_controller; }

private:
    CDgnAppSupport() = default;
    ~CDgnAppSupport();

    ModuleController* m_controller = nullptr;
};
