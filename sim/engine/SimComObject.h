// Reference counting and QueryInterface shared by the engine's COM objects. They live on
// the thread that loads the grammars, so the count is a plain number.
#pragma once

#include <windows.h>
#include <new>
#include <utility>

namespace qmsim {

template <class... Interfaces>
class SimComObject : public Interfaces... {
public:
    SimComObject() = default;
    SimComObject(const SimComObject&) = delete;
    SimComObject& operator=(const SimComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = Interface(iid);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~SimComObject() = default;
    // The object's pointer for iid (IUnknown included), or null: each object lists its own.
    virtual void* Interface(REFIID iid) = 0;

private:
    ULONG refs_ = 1; // the creator's reference
};

// Creates T and answers it for iid; the creator's reference goes with the query.
template <class T, class... Args>
HRESULT CreateAndQuery(REFIID iid, void** out, Args&&... args) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

} // namespace qmsim
