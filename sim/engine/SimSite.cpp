// The site handed to a module's Register: an IServiceProvider with Dragon's three services.
#include "EngineState.h"
#include "SimComObject.h"

#include <new>

namespace qmsim {
namespace {

class SimSite final : public SimComObject<IServiceProvider> {
public:
    explicit SimSite(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}

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
    void* Interface(REFIID iid) override {
        if (iid == IID_IUnknown || iid == IID_IServiceProvider)
            return static_cast<IServiceProvider*>(this);
        return nullptr;
    }

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
