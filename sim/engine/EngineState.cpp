#include "EngineState.h"
#include "SimGrammar.h"

#include <oleauto.h>
#include <cstdio>

namespace qmsim {
namespace {

constexpr UINT WM_RUN_SCRIPTS = WM_APP + 0x51;
constexpr UINT WM_HEAR_PHRASE = WM_APP + 0x52;
const wchar_t kEngineWindowClass[] = L"QmSimEngine";

LRESULT CALLBACK EngineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HEAR_PHRASE) {
        auto* state = reinterpret_cast<EngineState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (state && !state->heardPhrases.empty()) {
            const std::string phrase = state->heardPhrases.front();
            state->heardPhrases.erase(state->heardPhrases.begin());
            Hear(state->shared_from_this(), phrase);
        }
        return 0;
    }
    if (message == WM_RUN_SCRIPTS || message == WM_TIMER) {
        auto* state = reinterpret_cast<EngineState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_TIMER)
            KillTimer(window, wParam);
        if (state && message == WM_RUN_SCRIPTS)
            state->RunPendingScripts();
        else if (state)
            state->ContinueScript(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

std::string HexCode(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", (unsigned long)hr);
    return text;
}

HRESULT FailWith(HRESULT hr, const std::string& text, REFIID iid) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create)) && create) {
        std::wstring description = Widen(text);
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        create->SetSource(const_cast<LPOLESTR>(L"natspeak"));
        create->SetGUID(iid);
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr;
}

EngineState::EngineState() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = EngineWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kEngineWindowClass;
    RegisterClassExW(&wc); // fails harmlessly when a second engine registers again
    window = CreateWindowExW(0, kEngineWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

EngineState::~EngineState() {
    if (window)
        DestroyWindow(window);
}

double TicksToMs(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void EngineState::RecordUnchanged(bool activation) {
    std::lock_guard<std::mutex> lock(transcriptLock);
    ++(activation ? unchangedActivations : unchangedDeactivations);
}

void EngineState::Record(const std::string& line) {
    std::function<void(const std::string&)> notify;
    std::string unchanged;
    {
        std::lock_guard<std::mutex> lock(transcriptLock);
        if (unchangedActivations || unchangedDeactivations) {
            unchanged = "unchanged by " + std::to_string(unchangedActivations) + " activate and " +
                        std::to_string(unchangedDeactivations) + " deactivate calls";
            unchangedActivations = unchangedDeactivations = 0;
            transcript.push_back(unchanged);
        }
        transcript.push_back(line);
        notify = listener;
    }
    if (notify) {
        if (!unchanged.empty())
            notify(unchanged);
        notify(line);
    }
}

HWND EngineState::Foreground() const {
    return foregroundRule ? foregroundRule() : GetForegroundWindow();
}

void EngineState::ScheduleScript(PendingScript script) {
    pendingScripts.push_back(std::move(script));
    if (window)
        PostMessageW(window, WM_RUN_SCRIPTS, 0, 0);
}

static void TypeKeys(const std::string& keys) {
    // Characters go to the focus window of the foreground window's thread, as typing would.
    HWND target = GetForegroundWindow();
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (target && GetGUIThreadInfo(GetWindowThreadProcessId(target, nullptr), &info) && info.hwndFocus)
        target = info.hwndFocus;
    if (!target)
        return;
    std::wstring text = Widen(keys);
    for (wchar_t c : text)
        PostMessageW(target, WM_CHAR, c == L'\n' ? L'\r' : c, 1);
}

void EngineState::RunPendingScripts() {
    std::vector<PendingScript> starting;
    starting.swap(pendingScripts);
    for (PendingScript& script : starting) {
        RunningScript running;
        running.cookie = script.cookie;
        running.run = core.RunScript(script.script, script.withValues ? script.values.data() : nullptr,
                                     script.values.size());
        if (script.withValues) {
            std::string values;
            for (const std::string& value : running.run.values)
                values += (values.empty() ? "" : ", ") + ("\"" + value + "\"");
            Record("script " + std::to_string(script.cookie) + " values [" + values + "]");
        }
        const UINT_PTR key = nextRunKey++;
        runningScripts[key] = std::move(running);
        ContinueScript(key);
    }
}

void EngineState::ContinueScript(UINT_PTR key) {
    auto found = runningScripts.find(key);
    if (found == runningScripts.end())
        return;
    RunningScript& script = found->second;
    const std::string header = "script " + std::to_string(script.cookie);
    while (script.nextAction < script.run.actions.size()) {
        const BridgeAction& action = script.run.actions[script.nextAction++];
        switch (action.kind) {
        case BridgeAction::SendKeys:
            Record(header + " action SendKeys \"" + action.text + "\"");
            TypeKeys(action.text);
            break;
        case BridgeAction::Beep:
            Record(header + " action Beep");
            MessageBeep(MB_OK);
            break;
        case BridgeAction::TTSPlayString:
            Record(header + " action TTSPlayString \"" + action.text + "\"");
            break;
        case BridgeAction::HeardWord:
            // Heard from the message loop, as a spoken phrase would be; the script goes on.
            Record(header + " action HeardWord \"" + action.text + "\"");
            heardPhrases.push_back(action.text);
            if (window)
                PostMessageW(window, WM_HEAR_PHRASE, 0, 0);
            break;
        case BridgeAction::Wait:
            Record(header + " action Wait " + std::to_string(action.milliseconds));
            if (window && SetTimer(window, key, action.milliseconds, nullptr))
                return; // the rest runs when the time is up
            break;
        default:
            Record(header + " action " + action.text);
            break;
        }
    }
    const DWORD cookie = script.cookie;
    const BridgeScriptRun run = std::move(script.run);
    runningScripts.erase(found);

    // Copy first: a sink may unregister or shut the engine down from its callback.
    std::vector<Microsoft::WRL::ComPtr<IDgnSSvcActionNotifySink>> sinks;
    for (const auto& sink : actionSinks) {
        bool seen = false;
        for (const auto& other : sinks)
            seen = seen || other.Get() == sink.Get();
        if (!seen)
            sinks.push_back(sink);
    }
    if (run.failed) {
        char line[160];
        snprintf(line, sizeof line, "script %lu error %lu line %lu: %s", (unsigned long)cookie,
                 (unsigned long)run.errorNumber, (unsigned long)run.errorLine, run.errorText.c_str());
        Record(line);
        for (const auto& sink : sinks)
            sink->ScriptError(cookie, run.errorNumber, run.errorLine);
    } else {
        Record(header + " done");
        for (const auto& sink : sinks)
            sink->ScriptDone(cookie);
    }
}

void EngineState::ReleaseSinks() {
    std::vector<RegisteredEngineSink> engine;
    engine.swap(engineSinks);
    std::vector<Microsoft::WRL::ComPtr<IDgnSSvcActionNotifySink>> actions;
    actions.swap(actionSinks);
    size_t grammarSinks = 0;
    std::vector<SimGrammar*> live;
    for (auto& entry : grammars)
        live.push_back(entry.second);
    for (SimGrammar* grammar : live) {
        if (grammar->Sink()) {
            ++grammarSinks;
            grammar->DropSink();
        }
    }
    char line[128];
    snprintf(line, sizeof line, "engine released sinks: %u engine, %u grammar, %u action",
             (unsigned)engine.size(), (unsigned)grammarSinks, (unsigned)actions.size());
    engine.clear();
    actions.clear();
    Record(line);
}

} // namespace qmsim
