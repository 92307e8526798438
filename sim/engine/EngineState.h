// Shared state of one simulated recogniser. Every COM object of the engine holds a
// shared_ptr to it, so it lives as long as the module keeps any of them.
#pragma once

#include "CoreBridge.h"
#include "SimEngine.h"
#include "TextConversion.h"
#include "../../grammar/DragonInterfaces.h"

#include <wrl/client.h>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qmsim {

class SimGrammar;

struct RegisteredEngineSink {
    DWORD key = 0;
    DWORD flags = 0;
    Microsoft::WRL::ComPtr<IDgnSREngineNotifySinkW> sink;
};

struct PendingScript {
    DWORD cookie = 0;
    std::string script;
    std::vector<wchar_t> values;
    bool withValues = false;
    std::string name;
};

struct EngineState : std::enable_shared_from_this<EngineState> {
    EngineOptions options;
    CoreBridge core;

    std::vector<RegisteredEngineSink> engineSinks;
    DWORD nextSinkKey = 0x1001;

    std::vector<Microsoft::WRL::ComPtr<IDgnSSvcActionNotifySink>> actionSinks;

    std::map<int, SimGrammar*> grammars; // live grammar objects by engine id

    // Utterance-begin cookies: counter and those being waited for (utterances may nest
    // when a module's handler runs a message loop that lets another one begin, and a
    // caller may begin one and finish it later, so they end in any order).
    struct AwaitedCookie {
        DWORD utterance = 0;  // utteranceCount at its begin
        DWORD low = 0, high = 0;
        bool resumed = false;
        LONGLONG begun = 0;   // performance counter when the sinks got the cookie
        LONGLONG callTicksAtBegin = 0; // callTicks and calls then: the engine's part of the hold
        unsigned callsAtBegin = 0;
        double heldMs = 0;    // set by the resume
    };
    DWORD utteranceCount = 0;
    std::vector<AwaitedCookie> awaitedCookies;
    std::map<DWORD, std::string> openUtterances; // begun, not finished: their phrases

    std::function<HWND()> foregroundRule;

    // Posted script runs; the engine window executes them from the message loop. A run's
    // Wait is a timer of that window (its id is the run's key), so runs never hold the
    // thread: they interleave and each ends when its own actions have taken their time.
    HWND window = nullptr;
    std::vector<PendingScript> pendingScripts;
    struct RunningScript {
        DWORD cookie = 0;
        BridgeScriptRun run;
        size_t nextAction = 0;
    };
    std::map<UINT_PTR, RunningScript> runningScripts;
    UINT_PTR nextRunKey = 1;
    // Phrases a script's HeardWord made the engine hear, each an utterance of its own from
    // the message loop.
    std::vector<std::string> heardPhrases;

    // Time inside the engine's methods (performance counter ticks) and their number; and the
    // counter at the first call's start and the last call's end since the count was reset.
    LONGLONG callTicks = 0;
    unsigned calls = 0;
    LONGLONG firstCallStart = 0, lastCallEnd = 0;

    // Calls that changed nothing get no line of their own; the next line is preceded by one
    // that counts them.
    unsigned unchangedActivations = 0;
    unsigned unchangedDeactivations = 0;

    mutable std::mutex transcriptLock; // the host's box watcher records from its own thread
    std::vector<std::string> transcript;
    std::function<void(const std::string&)> listener;

    EngineState();
    ~EngineState();

    void Record(const std::string& line);
    void RecordUnchanged(bool activation);
    HWND Foreground() const;
    void ScheduleScript(PendingScript script);
    void RunPendingScripts();
    // Goes on with a run from its next action, up to a Wait or its end.
    void ContinueScript(UINT_PTR key);
    void ReleaseSinks();
};

// Counts the time of one engine method into EngineState::callTicks.
class EngineCall {
public:
    explicit EngineCall(EngineState& state) : state_(state) {
        QueryPerformanceCounter(&start_);
        if (state_.firstCallStart == 0)
            state_.firstCallStart = start_.QuadPart;
    }
    ~EngineCall() {
        LARGE_INTEGER end;
        QueryPerformanceCounter(&end);
        state_.callTicks += end.QuadPart - start_.QuadPart;
        ++state_.calls;
        state_.lastCallEnd = end.QuadPart;
    }
    EngineCall(const EngineCall&) = delete;
    EngineCall& operator=(const EngineCall&) = delete;

private:
    EngineState& state_;
    LARGE_INTEGER start_;
};

double TicksToMs(LONGLONG ticks);

// Sets the thread's error object to text and returns hr, for every refusal of the engine.
HRESULT FailWith(HRESULT hr, const std::string& text, REFIID iid);


// Result codes of the simulated recogniser.
constexpr HRESULT SIMERR_BADGRAMMAR = (HRESULT)0x80040201L;  // grammar data refused
constexpr HRESULT SIMERR_NORULE = (HRESULT)0x80040202L;      // rule or list not in the grammar
constexpr HRESULT SIMERR_BADLIST = (HRESULT)0x80040203L;     // malformed word records
constexpr HRESULT SIMERR_UNKNOWNCOOKIE = (HRESULT)0x80040204L;

// Creation of the engine's COM objects (one counted reference for the caller).
HRESULT CreateSimSite(const std::shared_ptr<EngineState>& state, IServiceProvider** site);
HRESULT CreateSimCentral(const std::shared_ptr<EngineState>& state, REFIID iid, void** out);
HRESULT CreateSimSpeechServices(const std::shared_ptr<EngineState>& state, REFIID iid, void** out);
HRESULT CreateSimWindowModule(const std::shared_ptr<EngineState>& state, REFIID iid, void** out);
HRESULT CreateSimResults(const std::vector<SpokenWord>& words, QWORD begin, QWORD end, IUnknown** out);

// One utterance of phrase, as Engine::Say and a script's HeardWord make it.
SayResult Hear(const std::shared_ptr<EngineState>& state, const std::string& phrase);

} // namespace qmsim
