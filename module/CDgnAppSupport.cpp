#include "CDgnAppSupport.h"

#include "../common/ComBoundary.h"
#include "../common/MessageBoxes.h"
#include "ModuleController.h"

#include <new>

CDgnAppSupport::~CDgnAppSupport()
{
    // The controller goes first; the module lock is lowered after this body.
    delete m_controller;
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
    // A second Register replaces the first controller; the old one must not stay connected.
    if (m_controller) {
        m_controller->disconnectDragon();
        delete m_controller;
        m_controller = nullptr;
    }
    m_controller = new (std::nothrow) ModuleController();
    if (!m_controller)
        return S_OK;
    m_controller->appSupport = this;
    bool connected = false;
    RunAtComBoundary(L"Register failed with:", [&] { connected = m_controller->connectDragon(site); });
    if (!connected) {
        ShowMessageBoxW(nullptr, L"Failed to initialize NatSpeak interfaces", L"Fail",
                        MB_ICONINFORMATION | MB_SETFOREGROUND);
        RunAtComBoundary(L"UnRegister failed with:", [&] { m_controller->disconnectDragon(); });
    }
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
    if (m_controller)
        RunAtComBoundary(L"UnRegister failed with:", [&] { m_controller->disconnectDragon(); });
    return S_OK;
}
