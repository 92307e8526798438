// Speech services and the DVC script interpreter. Scripts are checked at once; a run
// returns at once and ends later, from the message loop, with ScriptDone or ScriptError.
#include "EngineState.h"
#include "SimComObject.h"

#include <cstdio>
#include <new>

namespace qmsim {
namespace {

class SimSpeechServices final : public SimComObject<IDgnSpeechServices, IDgnSSvcInterpreter> {
public:
    explicit SimSpeechServices(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}

    // First method of both interfaces: keep the action sink until shutdown.
    STDMETHODIMP Register(IDgnSSvcActionNotifySink* sink) override {
        if (!sink)
            return FailWith(E_POINTER, "Register: no action sink", IID_IDgnSpeechServices);
        Microsoft::WRL::ComPtr<IDgnSSvcActionNotifySink> held;
        HRESULT hr = sink->QueryInterface(IID_IDgnSSvcActionNotifySink, reinterpret_cast<void**>(held.GetAddressOf()));
        if (FAILED(hr) || !held)
            return FailWith(E_NOINTERFACE, "Register: not an IDgnSSvcActionNotifySink", IID_IDgnSpeechServices);
        state_->actionSinks.push_back(held);
        state_->Record("action sink registered (" + std::to_string(state_->actionSinks.size()) + ")");
        return S_OK;
    }

    STDMETHODIMP CheckScript(BSTR script, DWORD* errorNumber, DWORD* errorLine) override {
        if (!errorNumber || !errorLine)
            return FailWith(E_POINTER, "CheckScript: no out pointers", IID_IDgnSSvcInterpreter);
        *errorNumber = 0;
        *errorLine = 0;
        if (!script)
            return FailWith(E_INVALIDARG, "CheckScript: no script", IID_IDgnSSvcInterpreter);
        uint32_t number = 0, line = 0;
        state_->core.CheckScript(Narrow(script), number, line);
        *errorNumber = number;
        *errorLine = line;
        char text[96];
        snprintf(text, sizeof text, "script checked: error %lu line %lu", (unsigned long)number, (unsigned long)line);
        state_->Record(text);
        return S_OK;
    }

    STDMETHODIMP RunScript(BSTR script, DWORD* errorNumber, DWORD* errorLine, BSTR name, DWORD cookie) override {
        return Run(script, nullptr, 0, false, errorNumber, errorLine, name, cookie);
    }

    STDMETHODIMP RunScriptWithValues(BSTR script, DWORD valuesSize, WCHAR* values, DWORD* errorNumber,
                                     DWORD* errorLine, BSTR name, DWORD cookie) override {
        if (valuesSize && !values)
            return FailWith(E_INVALIDARG, "RunScriptWithValues: no value buffer", IID_IDgnSSvcInterpreter);
        return Run(script, values, valuesSize, true, errorNumber, errorLine, name, cookie);
    }

private:
    HRESULT Run(BSTR script, const WCHAR* values, DWORD valuesSize, bool withValues, DWORD* errorNumber,
                DWORD* errorLine, BSTR name, DWORD cookie) {
        if (errorNumber)
            *errorNumber = 0;
        if (errorLine)
            *errorLine = 0;
        if (!script)
            return FailWith(E_INVALIDARG, "RunScript: no script", IID_IDgnSSvcInterpreter);
        uint32_t number = 0, line = 0;
        std::string text = Narrow(script);
        state_->core.CheckScript(text, number, line);
        if (errorNumber)
            *errorNumber = number;
        if (errorLine)
            *errorLine = line;
        PendingScript pending;
        pending.cookie = cookie;
        pending.script = text;
        pending.withValues = withValues;
        if (values)
            pending.values.assign(values, values + valuesSize);
        pending.name = name ? Narrow(name) : std::string();
        state_->Record("script run requested: cookie " + std::to_string(cookie) +
                       (withValues ? ", " + std::to_string(valuesSize) + " value units" : std::string()));
        state_->ScheduleScript(std::move(pending));
        return S_OK;
    }

    void* Interface(REFIID iid) override {
        if (iid == IID_IUnknown || iid == IID_IDgnSpeechServicesObject || iid == IID_IDgnSpeechServices)
            return static_cast<IDgnSpeechServices*>(this);
        if (iid == IID_IDgnSSvcInterpreter)
            return static_cast<IDgnSSvcInterpreter*>(this);
        return nullptr;
    }

    std::shared_ptr<EngineState> state_;
};

} // namespace

HRESULT CreateSimSpeechServices(const std::shared_ptr<EngineState>& state, REFIID iid, void** out) {
    return CreateAndQuery<SimSpeechServices>(iid, out, state);
}

} // namespace qmsim
