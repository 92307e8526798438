#include "ClassFactory.h"

#include "CDgnAppSupport.h"
#include "ModuleClassId.h"
#include "../common/ModuleLock.h"
#include "../grammar/DragonInterfaces.h"

#include <new>

namespace {

const ClassTableEntry g_classTable[] = {
    {&CLSID_Quillmoor, &CDgnAppSupport::CreateInstance},
};
constexpr size_t g_classCount = sizeof(g_classTable) / sizeof(g_classTable[0]);

class CClassFactory final : public IClassFactory {
public:
    explicit CClassFactory(CreateInstanceFunction create) : m_refs(1), m_create(create) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return refs;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return m_create(iid, object);
    }

    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            ModuleLockIncrement();
        else
            ModuleLockDecrement();
        return S_OK;
    }

private:
    volatile LONG m_refs;
    CreateInstanceFunction m_create;
};

// The factories do not hold the module lock themselves (only LockServer does), so a
// client that keeps one does not stop DllCanUnloadNow from answering S_OK.
CClassFactory* g_factories[g_classCount] = {};

} // namespace

HRESULT GetModuleClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < g_classCount; ++i) {
        if (*g_classTable[i].clsid != clsid)
            continue;
        if (!g_factories[i]) {
            g_factories[i] = new (std::nothrow) CClassFactory(g_classTable[i].create);
            if (!g_factories[i])
                return E_OUTOFMEMORY;
        }
        return g_factories[i]->QueryInterface(iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ReleaseModuleClassObjects()
{
    for (size_t i = 0; i < g_classCount; ++i) {
        if (g_factories[i]) {
            g_factories[i]->Release();
            g_factories[i] = nullptr;
        }
    }
}
