#include "CDgnAppSupport.h"

#include "ComBoundary.h"
#include "MessageBoxes.h"
#include "ModuleController.h"
#include "ModuleLock.h"

#include <new>

CDgnAppSupport::CDgnAppSupport()
{
    ModuleLockIncrement();
}

CDgnAppSupport::~CDgnAppSupport()
{
    delete m_controller;
    m_controller = nullptr;
    ModuleLockDecrement();
}

HRESULT CDgnAppSupport::CreateInstance(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CDgnAppSupport* support = new (std::nothrow) CDgnAppSupport();
    if (!support)
        return E_OUTOFMEMORY;
    support->AddRef();
    HRESULT hr = support->QueryInterface(iid, object);
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

STDMETHODIMP_(ULONG) CDgnAppSupport::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) CDgnAppSupport::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0) {
        // The lock is lowered by the destructor, after the controller is gone.
        delete m_controller;
        m_controller = nullptr;
        MessageBeep(MB_ICONASTERISK);
        delete this;
    }
    return refs;
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
