// The simulated recogniser as a C++ object: it hands out the site that a module's
// Register receives, "hears" typed phrases, and keeps a transcript of everything the
// module did to it. Used by natspeak.exe and, in-process, by unit tests.
#pragma once

#include <windows.h>
#include <servprov.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qmsim {

struct EngineState;

// Failure injection for tests; the defaults behave like a healthy recogniser.
struct EngineOptions {
    bool provideCentral = true;          // false: the site answers no central service
    HRESULT windowModuleError = S_OK;    // e.g. HOOKERR_INJECTFAILED: every query fails with it
    int windowModuleTooSmall = 0;        // that many queries answer "buffer too small" first
    HRESULT grammarLoadError = S_OK;     // non-zero: every GrammarLoad fails with it
    HRESULT activateError = S_OK;        // non-zero: every Activate fails with it
    std::string activateErrorRule;       // non-empty: activateError applies to this rule only
    int grammarLoadsBeforeError = -1;    // >= 0: that many more loads succeed, then every load
                                         // fails (with grammarLoadError, or E_FAIL without one)
    std::wstring windowModulePath;       // non-empty: the window-module query answers this path
    DWORD resumeTimeoutMs = 5000;        // how long an utterance waits for its cookie
};

struct RuleState {
    std::string name;
    bool active = false;
    HWND window = nullptr;               // binding of the activation; null = global
};

struct ListState {
    std::string name;
    std::vector<std::string> words;
};

struct GrammarState {
    int id = 0;                          // engine's number of the grammar, from 1
    bool hasSink = false;
    DWORD sinkFlags = 0;                 // what IDgnGetSinkFlags answered, 0 if not offered
    std::vector<RuleState> rules;        // exported rules
    std::vector<ListState> lists;
};

struct EngineSnapshot {
    std::vector<GrammarState> grammars;
    struct EngineSink { DWORD key; DWORD flags; };
    std::vector<EngineSink> engineSinks;
    size_t actionSinks = 0;
};

struct SpokenWord {
    std::string text;
    DWORD wordNumber = 0;
    DWORD ruleNumber = 0;
};

// What one Say did.
struct SayResult {
    bool recognised = false;
    int grammarId = 0;
    std::vector<SpokenWord> words;
    std::string failure;                 // why nothing was recognised
    bool stalled = false;                // the cookie did not come back in time
    double heldMs = 0;                   // how long the module held the cookie (the stall's length after a stall)
};

class Engine {
public:
    explicit Engine(const EngineOptions& options = EngineOptions());
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The site to pass to IDgnAppSupportW::Register (one counted reference for the caller).
    HRESULT CreateSite(IServiceProvider** site);

    // Runs one utterance on the calling thread, which must be the thread that loaded
    // the grammars; pumps messages while the module holds the utterance.
    SayResult Say(const std::string& phrase);

    // The same utterance in parts, for a caller that must not run a message loop of its
    // own (whatever loop runs, a module's modal dialog included, keeps dispatching):
    // BeginUtterance hands every engine sink the cookie and returns the utterance's
    // number; UtteranceResumed tells whether it is back (always true without sinks);
    // FinishUtterance recognises, after recording a stall if it is not back yet.
    DWORD BeginUtterance(const std::string& phrase);
    bool UtteranceResumed(DWORD utterance) const;
    SayResult FinishUtterance(DWORD utterance);

    // Which window counts as foreground; default GetForegroundWindow().
    void SetForegroundRule(std::function<HWND()> rule);
    HWND ForegroundWindow() const;

    EngineSnapshot Snapshot() const;
    // Engine state as text, one item a line (the host's "engine" command).
    std::string Describe() const;

    // Every event in order, one line each; also handed to the listener as it happens.
    std::vector<std::string> Transcript() const;
    void SetTranscriptListener(std::function<void(const std::string&)> listener);
    void Record(const std::string& line);

    // Drops the engine's own references to the module's sinks (engine, grammar and
    // action sinks), as Dragon does when it shuts down.
    void ReleaseSinks();

    EngineOptions& Options();

    // Time spent inside the engine's COM methods called by the module, since the last reset.
    // The time inside the engine's methods, their number, and the time from the first one's
    // start to the last one's end (what the caller did between them is the rest).
    struct CallTime { double milliseconds; unsigned calls; double spanMilliseconds; };
    CallTime EngineCallTime() const;
    void ResetEngineCallTime();
    std::shared_ptr<EngineState> State() const { return state_; }

private:
    std::shared_ptr<EngineState> state_;
};

// Formats an HRESULT as 0x%08X.
std::string HexCode(HRESULT hr);

} // namespace qmsim
