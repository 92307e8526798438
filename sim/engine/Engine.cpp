// The engine's own API: site creation, utterances, state and transcript.
#include "EngineState.h"
#include "SimGrammar.h"

#include <cstdio>
#include <sstream>

namespace qmsim {

Engine::Engine(const EngineOptions& options) : state_(std::make_shared<EngineState>()) {
    state_->options = options;
}

Engine::~Engine() {
    // COM objects the module still holds keep the state alive; only the window goes.
    state_->foregroundRule = nullptr;
}

HRESULT Engine::CreateSite(IServiceProvider** site) { return CreateSimSite(state_, site); }

void Engine::SetForegroundRule(std::function<HWND()> rule) { state_->foregroundRule = std::move(rule); }
HWND Engine::ForegroundWindow() const { return state_->Foreground(); }
EngineOptions& Engine::Options() { return state_->options; }
void Engine::Record(const std::string& line) { state_->Record(line); }
void Engine::ReleaseSinks() { state_->ReleaseSinks(); }

Engine::CallTime Engine::EngineCallTime() const {
    double span = state_->calls ? TicksToMs(state_->lastCallEnd - state_->firstCallStart) : 0.0;
    return {TicksToMs(state_->callTicks), state_->calls, span};
}
void Engine::ResetEngineCallTime() {
    state_->callTicks = 0;
    state_->calls = 0;
    state_->firstCallStart = state_->lastCallEnd = 0;
}

void Engine::SetTranscriptListener(std::function<void(const std::string&)> listener) {
    std::lock_guard<std::mutex> lock(state_->transcriptLock);
    state_->listener = std::move(listener);
}

std::vector<std::string> Engine::Transcript() const {
    std::lock_guard<std::mutex> lock(state_->transcriptLock);
    return state_->transcript;
}

EngineSnapshot Engine::Snapshot() const {
    EngineSnapshot snapshot;
    for (const auto& entry : state_->grammars) {
        GrammarState grammar;
        grammar.id = entry.first;
        grammar.hasSink = entry.second->Sink() != nullptr;
        grammar.sinkFlags = entry.second->SinkFlags();
        for (const BridgeRule& rule : state_->core.Rules(entry.first))
            grammar.rules.push_back({rule.name, rule.active, reinterpret_cast<HWND>(rule.window)});
        for (const BridgeList& list : state_->core.Lists(entry.first))
            grammar.lists.push_back({list.name, list.words});
        snapshot.grammars.push_back(grammar);
    }
    for (const RegisteredEngineSink& sink : state_->engineSinks)
        snapshot.engineSinks.push_back({sink.key, sink.flags});
    snapshot.actionSinks = state_->actionSinks.size();
    return snapshot;
}

std::string Engine::Describe() const {
    EngineSnapshot snapshot = Snapshot();
    std::ostringstream out;
    out << "grammars: " << snapshot.grammars.size() << "\n";
    for (const GrammarState& grammar : snapshot.grammars) {
        out << "  grammar " << grammar.id << (grammar.hasSink ? "" : " (no sink)") << "\n";
        for (const RuleState& rule : grammar.rules) {
            out << "    rule " << rule.name << ": " << (rule.active ? "active" : "inactive");
            if (rule.active && rule.window)
                out << " for window " << static_cast<unsigned long>(reinterpret_cast<uintptr_t>(rule.window));
            out << "\n";
        }
        for (const ListState& list : grammar.lists) {
            out << "    list " << list.name << ":";
            for (const std::string& word : list.words)
                out << " \"" << word << "\"";
            out << "\n";
        }
    }
    out << "engine sinks: " << snapshot.engineSinks.size() << "\n";
    out << "action sinks: " << snapshot.actionSinks << "\n";
    return out.str();
}

static EngineState::AwaitedCookie* FindCookie(EngineState& state, DWORD utterance) {
    for (EngineState::AwaitedCookie& cookie : state.awaitedCookies)
        if (cookie.utterance == utterance)
            return &cookie;
    return nullptr;
}

// Waits for the module to hand the cookie back, dispatching the thread's messages.
static void WaitForResume(EngineState& state, DWORD utterance) {
    ULONGLONG deadline = GetTickCount64() + state.options.resumeTimeoutMs;
    auto resumed = [&state, utterance] {
        EngineState::AwaitedCookie* cookie = FindCookie(state, utterance);
        return !cookie || cookie->resumed;
    };
    while (!resumed()) {
        MSG msg;
        bool any = false;
        while (!resumed() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (resumed())
            break;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return;
        if (!any)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

static std::vector<BYTE> BuildPhrase(const std::vector<SpokenWord>& words) {
    std::vector<BYTE> phrase(4, 0);
    for (const SpokenWord& word : words) {
        std::wstring text = Widen(word.text);
        DWORD size = (8 + 2 * static_cast<DWORD>(text.size() + 1) + 3) & ~3u;
        size_t at = phrase.size();
        phrase.resize(at + size, 0);
        memcpy(&phrase[at], &size, 4);
        memcpy(&phrase[at + 4], &word.wordNumber, 4);
        memcpy(&phrase[at + 8], text.c_str(), 2 * text.size());
    }
    DWORD total = static_cast<DWORD>(phrase.size());
    memcpy(&phrase[0], &total, 4);
    return phrase;
}

static DWORD BeginUtteranceOn(const std::shared_ptr<EngineState>& shared, const std::string& phrase) {
    EngineState& state = *shared;
    std::shared_ptr<EngineState> keep = shared;
    state.Record("say \"" + phrase + "\"");

    // Utterance begin: every engine sink gets the cookie; the engine holds until it returns.
    DWORD n = ++state.utteranceCount;
    state.openUtterances[n] = phrase;
    EngineState::AwaitedCookie cookie;
    cookie.utterance = n;
    cookie.low = 0x5EED0000u | (n & 0xFFFF);
    cookie.high = 0xC0C00000u | ((n * 0x9E37u) & 0xFFFF);
    std::vector<Microsoft::WRL::ComPtr<IDgnSREngineNotifySinkW>> sinks;
    for (const RegisteredEngineSink& sink : state.engineSinks)
        sinks.push_back(sink.sink);
    if (sinks.empty())
        return n;
    char line[96];
    snprintf(line, sizeof line, "utterance begin cookie 0x%08lX:0x%08lX", (unsigned long)cookie.high,
             (unsigned long)cookie.low);
    state.Record(line);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    cookie.begun = now.QuadPart;
    cookie.callTicksAtBegin = state.callTicks;
    cookie.callsAtBegin = state.calls;
    state.awaitedCookies.push_back(cookie);
    for (const auto& sink : sinks) {
        HRESULT hr = sink->Paused(cookie.low, cookie.high);
        if (FAILED(hr))
            state.Record("engine sink answered " + HexCode(hr) + " to the utterance begin");
    }
    return n;
}

static SayResult FinishUtteranceOn(const std::shared_ptr<EngineState>& shared, DWORD utterance) {
    EngineState& state = *shared;
    std::shared_ptr<EngineState> keep = shared;
    SayResult result;
    auto open = state.openUtterances.find(utterance);
    if (open == state.openUtterances.end()) {
        result.failure = "no such utterance";
        return result;
    }
    std::string phrase = open->second;
    state.openUtterances.erase(open);
    for (auto it = state.awaitedCookies.begin(); it != state.awaitedCookies.end(); ++it) {
        if (it->utterance != utterance)
            continue;
        result.heldMs = it->heldMs;
        if (!it->resumed) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            result.heldMs = TicksToMs(now.QuadPart - it->begun);
            result.stalled = true;
            char line[128];
            snprintf(line, sizeof line, "stall: cookie 0x%08lX:0x%08lX not resumed within %lu ms",
                     (unsigned long)it->high, (unsigned long)it->low, (unsigned long)state.options.resumeTimeoutMs);
            state.Record(line);
        }
        state.awaitedCookies.erase(it);
        break;
    }

    // The utterance goes on after a stall too, with the activation as it stands.
    QWORD begin = GetTickCount64();
    HWND foreground = state.Foreground();
    BridgeMatch match = state.core.Recognise(SplitWords(phrase), reinterpret_cast<uintptr_t>(foreground));
    if (!match.recognised) {
        result.failure = match.failure;
        state.Record("not recognised \"" + phrase + "\": " + match.failure);
        return result;
    }
    result.recognised = true;
    result.grammarId = match.grammarId;
    std::string line = "recognised grammar " + std::to_string(match.grammarId) + ":";
    for (const BridgeWord& word : match.words) {
        result.words.push_back({word.text, word.wordNumber, word.ruleNumber});
        line += " " + word.text + "(rule " + std::to_string(word.ruleNumber) + ", word " +
                std::to_string(word.wordNumber) + ")";
    }
    state.Record(line);

    auto found = state.grammars.find(match.grammarId);
    if (found == state.grammars.end() || !found->second->Sink())
        return result;
    Microsoft::WRL::ComPtr<ISRGramNotifySinkW> sink = found->second->Sink();
    Microsoft::WRL::ComPtr<IUnknown> results;
    QWORD end = GetTickCount64();
    if (FAILED(CreateSimResults(result.words, begin, end, results.GetAddressOf())))
        return result;
    std::vector<BYTE> phraseRecord = BuildPhrase(result.words);
    sink->PhraseStart(begin);
    sink->PhraseFinish(ISRNOTEFIN_RECOGNIZED | ISRNOTEFIN_THISGRAMMAR, begin, end,
                       reinterpret_cast<PSRPHRASEW>(phraseRecord.data()), results.Get());
    state.Record("phrase finished");
    return result;
}

SayResult Hear(const std::shared_ptr<EngineState>& state, const std::string& phrase) {
    std::shared_ptr<EngineState> keep = state; // a sink may release everything meanwhile
    DWORD utterance = BeginUtteranceOn(keep, phrase);
    WaitForResume(*keep, utterance);
    return FinishUtteranceOn(keep, utterance);
}

SayResult Engine::Say(const std::string& phrase) { return Hear(state_, phrase); }

DWORD Engine::BeginUtterance(const std::string& phrase) { return BeginUtteranceOn(state_, phrase); }

bool Engine::UtteranceResumed(DWORD utterance) const {
    EngineState::AwaitedCookie* cookie = FindCookie(*state_, utterance);
    return !cookie || cookie->resumed;
}

SayResult Engine::FinishUtterance(DWORD utterance) { return FinishUtteranceOn(state_, utterance); }

} // namespace qmsim
