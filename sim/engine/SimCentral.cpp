// The recogniser's central object: grammar loading, engine-sink registration, and (through
// QueryInterface) engine control, whose Resume hands an utterance-begin cookie back.
#include "EngineState.h"
#include "SimComObject.h"
#include "SimGrammar.h"

#include <cstdio>
#include <new>

namespace qmsim {
namespace {

class SimCentral final : public SimComObject<ISRCentralW, IDgnSREngineControl> {
public:
    explicit SimCentral(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}

    // ISRCentralW
    STDMETHODIMP ModeGet(PVOID) override { return E_NOTIMPL; }
    STDMETHODIMP GrammarLoad(SRGRMFMT format, SDATA data, PVOID notifySink, IID iidSink, LPUNKNOWN* grammar) override;
    STDMETHODIMP Pause() override { return S_OK; }
    STDMETHODIMP PosnGet(PQWORD position) override {
        if (!position)
            return E_POINTER;
        *position = GetTickCount64();
        return S_OK;
    }
    STDMETHODIMP Resume() override { return S_OK; }
    STDMETHODIMP ToFileTime(PQWORD, FILETIME*) override { return E_NOTIMPL; }
    STDMETHODIMP Register(PVOID notifySink, IID iidSink, DWORD* key) override;
    STDMETHODIMP UnRegister(DWORD key) override;

    // IDgnSREngineControl
    STDMETHODIMP Control1() override { return S_OK; }
    STDMETHODIMP Control2() override { return S_OK; }
    STDMETHODIMP Control3() override { return S_OK; }
    STDMETHODIMP Control4() override { return S_OK; }
    STDMETHODIMP Control5() override { return S_OK; }
    STDMETHODIMP Resume(DWORD cookieLow, DWORD cookieHigh) override;

private:
    void* Interface(REFIID iid) override {
        // The engine-extra interface is only acquired and released by clients.
        if (iid == IID_IUnknown || iid == IID_ISRCentralW || iid == IID_IDgnEngineExtra)
            return static_cast<ISRCentralW*>(this);
        if (iid == IID_IDgnSREngineControl)
            return static_cast<IDgnSREngineControl*>(this);
        return nullptr;
    }

    std::shared_ptr<EngineState> state_;
};

STDMETHODIMP SimCentral::GrammarLoad(SRGRMFMT format, SDATA data, PVOID notifySink, IID iidSink,
                                     LPUNKNOWN* grammar) {
    EngineCall timed(*state_);
    if (!grammar)
        return FailWith(E_POINTER, "GrammarLoad: no out pointer for the grammar", IID_ISRCentralW);
    *grammar = nullptr;
    if (format != SRGRMFMT_CFG) {
        char text[96];
        snprintf(text, sizeof text, "GrammarLoad: unsupported grammar format %u (only 0, CFG)", (unsigned)format);
        return FailWith(E_INVALIDARG, text, IID_ISRCentralW);
    }
    if (!data.pData || data.dwSize == 0)
        return FailWith(E_INVALIDARG, "GrammarLoad: the grammar data is empty", IID_ISRCentralW);
    EngineOptions& options = state_->options;
    bool refuse = FAILED(options.grammarLoadError) && options.grammarLoadsBeforeError < 0;
    if (options.grammarLoadsBeforeError == 0)
        refuse = true;
    else if (options.grammarLoadsBeforeError > 0)
        --options.grammarLoadsBeforeError;
    if (refuse) {
        HRESULT hr = FAILED(options.grammarLoadError) ? options.grammarLoadError : E_FAIL;
        state_->Record("grammar load refused (injected " + HexCode(hr) + ")");
        return FailWith(hr, "GrammarLoad: refused by test setting", IID_ISRCentralW);
    }

    Microsoft::WRL::ComPtr<ISRGramNotifySinkW> sink;
    if (notifySink) {
        // Whatever interface was passed, it is an IUnknown; ask it for the grammar sink.
        HRESULT hr = static_cast<IUnknown*>(notifySink)->QueryInterface(IID_ISRGramNotifySinkW,
                                                                         reinterpret_cast<void**>(sink.GetAddressOf()));
        if (FAILED(hr) || !sink)
            return FailWith(E_NOINTERFACE, "GrammarLoad: the notification sink is not an ISRGramNotifySinkW",
                            IID_ISRCentralW);
    }
    (void)iidSink;

    std::string error;
    int id = state_->core.Load(data.pData, data.dwSize, error);
    if (id <= 0) {
        state_->Record("grammar load refused: " + error);
        return FailWith(SIMERR_BADGRAMMAR, error, IID_ISRCentralW);
    }
    HRESULT hr = CreateSimGrammar(state_, id, sink.Get(), grammar);
    if (FAILED(hr)) {
        state_->core.Unload(id);
        return FailWith(hr, "GrammarLoad: out of memory", IID_ISRCentralW);
    }
    return S_OK;
}

STDMETHODIMP SimCentral::Register(PVOID notifySink, IID iidSink, DWORD* key) {
    if (!key)
        return FailWith(E_POINTER, "Register: no out pointer for the key", IID_ISRCentralW);
    *key = 0;
    if (!notifySink)
        return FailWith(E_POINTER, "Register: no sink", IID_ISRCentralW);
    (void)iidSink;
    RegisteredEngineSink entry;
    HRESULT hr = static_cast<IUnknown*>(notifySink)->QueryInterface(IID_IDgnSREngineNotifySinkW,
                                                                     reinterpret_cast<void**>(entry.sink.GetAddressOf()));
    if (FAILED(hr) || !entry.sink)
        return FailWith(E_NOINTERFACE, "Register: the sink is not an IDgnSREngineNotifySinkW", IID_ISRCentralW);
    Microsoft::WRL::ComPtr<IDgnGetSinkFlags> flags;
    if (SUCCEEDED(entry.sink->QueryInterface(IID_IDgnGetSinkFlags, reinterpret_cast<void**>(flags.GetAddressOf()))) && flags)
        flags->SinkFlagsGet(&entry.flags);
    entry.key = state_->nextSinkKey++;
    *key = entry.key;
    char line[96];
    snprintf(line, sizeof line, "engine sink registered: key %lu, flags 0x%lX", (unsigned long)entry.key,
             (unsigned long)entry.flags);
    state_->engineSinks.push_back(entry);
    state_->Record(line);
    return S_OK;
}

STDMETHODIMP SimCentral::UnRegister(DWORD key) {
    for (auto it = state_->engineSinks.begin(); it != state_->engineSinks.end(); ++it) {
        if (it->key == key) {
            // Release outside the vector: the sink's destructor may call back into us.
            auto sink = std::move(it->sink);
            state_->engineSinks.erase(it);
            state_->Record("engine sink unregistered: key " + std::to_string(key));
            sink.Reset();
            return S_OK;
        }
    }
    return FailWith(E_INVALIDARG, "UnRegister: no sink is registered with key " + std::to_string(key),
                    IID_ISRCentralW);
}

STDMETHODIMP SimCentral::Resume(DWORD cookieLow, DWORD cookieHigh) {
    EngineCall timed(*state_);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char line[160];
    for (EngineState::AwaitedCookie& cookie : state_->awaitedCookies) {
        if (!cookie.resumed && cookie.low == cookieLow && cookie.high == cookieHigh) {
            cookie.resumed = true;
            cookie.heldMs = TicksToMs(now.QuadPart - cookie.begun);
            // The engine's part: its methods' time since the begin (this Resume not counted).
            double engineMs = TicksToMs(state_->callTicks - cookie.callTicksAtBegin);
            snprintf(line, sizeof line, "resume cookie 0x%08lX:0x%08lX, held %.3f ms, %.3f ms in %u engine calls",
                     (unsigned long)cookieHigh, (unsigned long)cookieLow, cookie.heldMs, engineMs,
                     state_->calls - cookie.callsAtBegin);
            state_->Record(line);
            return S_OK;
        }
    }
    snprintf(line, sizeof line, "resume with unexpected cookie 0x%08lX:0x%08lX", (unsigned long)cookieHigh,
             (unsigned long)cookieLow);
    state_->Record(line);
    return FailWith(SIMERR_UNKNOWNCOOKIE, line, IID_IDgnSREngineControl);
}

} // namespace

HRESULT CreateSimCentral(const std::shared_ptr<EngineState>& state, REFIID iid, void** out) {
    return CreateAndQuery<SimCentral>(iid, out, state);
}

} // namespace qmsim
