#include "SimGrammar.h"

#include <cstdio>
#include <new>

namespace qmsim {

SimGrammar::SimGrammar(std::shared_ptr<EngineState> state, int id, ISRGramNotifySinkW* sink)
    : state_(std::move(state)), id_(id), sink_(sink) {
    Microsoft::WRL::ComPtr<IDgnGetSinkFlags> flags;
    if (sink_ && SUCCEEDED(sink_->QueryInterface(IID_IDgnGetSinkFlags, reinterpret_cast<void**>(flags.GetAddressOf()))) && flags)
        flags->SinkFlagsGet(&sinkFlags_);
    state_->grammars[id_] = this;
    char line[96];
    snprintf(line, sizeof line, "grammar %d loaded (sink %s, flags 0x%lX)", id_, sink_ ? "yes" : "none",
             (unsigned long)sinkFlags_);
    state_->Record(line);
}

SimGrammar::~SimGrammar() {
    EngineCall timed(*state_);
    state_->grammars.erase(id_);
    state_->core.Unload(id_);
    state_->Record("grammar " + std::to_string(id_) + " unloaded");
}

void SimGrammar::DropSink() {
    auto sink = std::move(sink_);
    sink.Reset();
}

void* SimGrammar::Interface(REFIID iid) {
    if (iid == IID_IUnknown || iid == IID_ISRGramCommonW)
        return static_cast<ISRGramCommonW*>(this);
    if (iid == IID_ISRGramCFGW)
        return static_cast<ISRGramCFGW*>(this);
    return nullptr;
}

static std::string RuleLabel(const std::string* rule) {
    return rule ? "rule \"" + *rule + "\"" : std::string("all rules");
}

STDMETHODIMP SimGrammar::Activate(HWND window, BOOL autoPause, PCWSTR ruleName) {
    EngineCall timed(*state_);
    (void)autoPause;
    if (window && !IsWindow(window)) {
        char text[96];
        snprintf(text, sizeof text, "Activate: window %lu does not exist", (unsigned long)(uintptr_t)window);
        return FailWith(E_INVALIDARG, text, IID_ISRGramCommonW);
    }
    std::string name = ruleName ? Narrow(ruleName) : std::string();
    const std::string* rule = ruleName ? &name : nullptr;
    HRESULT injected = state_->options.activateError;
    const std::string& onlyRule = state_->options.activateErrorRule;
    if (FAILED(injected) && (onlyRule.empty() || (rule && *rule == onlyRule))) {
        std::string line = "grammar " + std::to_string(id_) + ": activate " + RuleLabel(rule) + " answered " +
                           HexCode(injected) + " (injected)";
        state_->Record(line);
        return FailWith(injected, line, IID_ISRGramCommonW);
    }
    std::string error;
    bool changed = false;
    if (!state_->core.Activate(id_, rule, reinterpret_cast<uintptr_t>(window), error, &changed)) {
        state_->Record("grammar " + std::to_string(id_) + ": activate " + RuleLabel(rule) + " refused: " + error);
        return FailWith(SIMERR_NORULE, "Activate: " + error, IID_ISRGramCommonW);
    }
    if (!changed) {
        state_->RecordUnchanged(true);
        return S_OK;
    }
    std::string line = "grammar " + std::to_string(id_) + ": activate " + RuleLabel(rule);
    if (window)
        line += " for window " + std::to_string((unsigned long)(uintptr_t)window);
    state_->Record(line);
    return S_OK;
}

STDMETHODIMP SimGrammar::Deactivate(PCWSTR ruleName) {
    EngineCall timed(*state_);
    std::string name = ruleName ? Narrow(ruleName) : std::string();
    const std::string* rule = ruleName ? &name : nullptr;
    std::string error;
    bool notActive = false;
    if (!state_->core.Deactivate(id_, rule, error, notActive)) {
        if (notActive) {
            // Refused as before, but a deactivation that changes nothing is no line of its own.
            state_->RecordUnchanged(false);
            return FailWith(SIMERR_NORULE, "Deactivate: " + error, IID_ISRGramCommonW);
        }
        state_->Record("grammar " + std::to_string(id_) + ": deactivate " + RuleLabel(rule) + " refused: " + error);
        return FailWith(SIMERR_NORULE, "Deactivate: " + error, IID_ISRGramCommonW);
    }
    state_->Record("grammar " + std::to_string(id_) + ": deactivate " + RuleLabel(rule));
    return S_OK;
}

HRESULT SimGrammar::ChangeList(PCWSTR listName, SDATA words, bool append) {
    const char* what = append ? "ListAppend" : "ListSet";
    if (!listName)
        return FailWith(E_INVALIDARG, std::string(what) + ": no list name", IID_ISRGramCFGW);
    if (words.dwSize && !words.pData)
        return FailWith(E_INVALIDARG, std::string(what) + ": no data for a non-empty block", IID_ISRGramCFGW);
    std::string list = Narrow(listName);
    std::string error;
    bool ok = append ? state_->core.ListAppend(id_, list, words.pData, words.dwSize, error)
                     : state_->core.ListSet(id_, list, words.pData, words.dwSize, error);
    if (!ok) {
        state_->Record("grammar " + std::to_string(id_) + ": " + what + " \"" + list + "\" refused: " + error);
        return FailWith(SIMERR_BADLIST, std::string(what) + ": " + error, IID_ISRGramCFGW);
    }
    state_->Record("grammar " + std::to_string(id_) + ": " + what + " \"" + list + "\" (" +
                   std::to_string(words.dwSize) + " bytes)");
    return S_OK;
}

STDMETHODIMP SimGrammar::ListAppend(PCWSTR listName, SDATA words) { return ChangeList(listName, words, true); }
STDMETHODIMP SimGrammar::ListSet(PCWSTR listName, SDATA words) { return ChangeList(listName, words, false); }

HRESULT CreateSimGrammar(const std::shared_ptr<EngineState>& state, int id, ISRGramNotifySinkW* sink,
                         LPUNKNOWN* grammar) {
    SimGrammar* object = new (std::nothrow) SimGrammar(state, id, sink);
    if (!object)
        return E_OUTOFMEMORY;
    *grammar = static_cast<ISRGramCommonW*>(object);
    return S_OK;
}

} // namespace qmsim
