// The IUnknown half shared by the module's COM objects that Dragon calls on its own thread:
// a plain reference count (no interlocking: one thread), deletion at zero, and the module
// lock held for as long as the object lives. QueryInterface stays with each class, which
// names its interfaces explicitly.
//
//     class CSink final : public ModuleComObject<CSink, ISomeSink> {
//         friend ModuleComObject; // lets Create construct and Release delete
//     ...
#pragma once

#include "ModuleLock.h"

#include <unknwn.h>

#include <new>
#include <utility>

template <class Derived, class... Interfaces>
class ModuleComObject : public Interfaces... {
public:
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }

    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG refs = --m_refs;
        if (refs == 0)
            delete static_cast<Derived*>(this);
        return refs;
    }

protected:
    ModuleComObject() { ModuleLockIncrement(); }
    // Runs after the derived destructor: the lock is lowered last.
    ~ModuleComObject() { ModuleLockDecrement(); }

    ModuleComObject(const ModuleComObject&) = delete;
    ModuleComObject& operator=(const ModuleComObject&) = delete;

    // E_POINTER for a null out-pointer, E_OUTOFMEMORY (and *object null) when the object cannot
    // be allocated; otherwise *object holds the new object's one reference.
    template <class... Arguments>
    static HRESULT CreateReferenced(Derived** object, Arguments&&... arguments)
    {
        if (!object)
            return E_POINTER;
        *object = new (std::nothrow) Derived(std::forward<Arguments>(arguments)...);
        if (!*object)
            return E_OUTOFMEMORY;
        (*object)->AddRef();
        return S_OK;
    }

private:
    ULONG m_refs = 0;
};
