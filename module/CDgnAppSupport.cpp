#include "CDgnAppSupport.h"

#include "../common/ComBoundary.h"
#include "../grammar/ControllerGate.h"
#include "../common/MessageBoxes.h"
#include "ModuleController.h"

#include <new>

CDgnAppSupport::~CDgnAppSupport()
{
    // The controller goes first (or, when a frame below is still busy with it, when that
    // frame returns; it keeps the module locked until then).
    if (m_controller)
        m_controller->retire();
    m_controller = nullptr;
    MessageBeep(MB_ICONASTERISK);
}

HRESULT CDgnAppSupport::CreateInstance(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CDgnAppSupport* support = nullptr;
    HRESULT hr = CreateReferenced(&support);
    if (FAILED(hr))
        return hr;
    hr = support->QueryInterface(iid, object);
    support->Release();
    return hr;
}

STDMETHODIMP CDgnAppSupport::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDgnAppSupportW) {
        *object = static_cast<IDgnAppSupportW*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CDgnAppSupport::Register(IServiceProvider* site)
{
    // Dragon may release this object inside a box below: it lives to the end of the call.
    Microsoft::WRL::ComPtr<CDgnAppSupport> self(this);
    // A second Register replaces the first controller; the old one must not stay connected.
    if (ModuleController* old = m_controller) {
        m_controller = nullptr;
        EnterController(old, L"UnRegister failed with:",
                        [](ModuleController& controller, const ControllerLifetime::Busy& busy) {
                            controller.disconnectDragon(busy);
                        });
        old->retire();
    }
    ModuleController* controller = new (std::nothrow) ModuleController();
    if (!controller)
        return S_OK;
    m_controller = controller;
    EnterController(controller, L"Register failed with:",
                    [site](ModuleController& controller, const ControllerLifetime::Busy& busy) {
                        bool connected = false;
                        RunAtComBoundary(L"Register failed with:",
                                         [&] { connected = controller.connectDragon(site, busy); });
                        if (connected)
                            return;
                        ShowMessageBoxW(nullptr, L"Failed to initialize NatSpeak interfaces", L"Fail",
                                        MB_ICONINFORMATION | MB_SETFOREGROUND);
                        RunAtComBoundary(L"UnRegister failed with:", [&] { controller.disconnectDragon(busy); });
                    });
    return S_OK;
}

STDMETHODIMP CDgnAppSupport::AddProcess(DWORD, DWORD, DWORD, DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnAppSupport::EndProcess(DWORD)
{
    return S_OK;
}

STDMETHODIMP CDgnAppSupport::UnRegister()
{
    Microsoft::WRL::ComPtr<CDgnAppSupport> self(this);
    EnterController(m_controller, L"UnRegister failed with:",
                    [](ModuleController& controller, const ControllerLifetime::Busy& busy) {
                        controller.disconnectDragon(busy);
                    });
    return S_OK;
}
