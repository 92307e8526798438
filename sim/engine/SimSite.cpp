// The site handed to a module's Register: an IServiceProvider with Dragon's three services.
#include "EngineState.h"

#include <new>

namespace qmsim {
namespace {

class SimSite final : public IServiceProvider {
public:
    explicit SimSite(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IServiceProvider) {
            *out = static_cast<IServiceProvider*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (service == SID_DgnCentral) {
            if (!state_->options.provideCentral) {
                state_->Record("site: central service refused");
                return E_NOINTERFACE;
            }
            return CreateSimCentral(state_, iid, out);
        }
        if (service == SID_DgnSpeechServices)
            return CreateSimSpeechServices(state_, iid, out);
        if (service == SID_DgnWindowModule)
            return CreateSimWindowModule(state_, iid, out);
        return E_NOINTERFACE; // unknown service: the SDK has no separate code for it
    }

private:
    ULONG refs_ = 1;
    std::shared_ptr<EngineState> state_;
};

} // namespace

HRESULT CreateSimSite(const std::shared_ptr<EngineState>& state, IServiceProvider** site) {
    if (!site)
        return E_POINTER;
    *site = new (std::nothrow) SimSite(state);
    return *site ? S_OK : E_OUTOFMEMORY;
}

} // namespace qmsim
