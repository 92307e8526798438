#include "EngineState.h"
#include "SimGrammar.h"

#include <oleauto.h>
#include <cstdio>

namespace qmsim {
namespace {

constexpr UINT WM_RUN_SCRIPTS = WM_APP + 0x51;
const wchar_t kEngineWindowClass[] = L"QmSimEngine";

LRESULT CALLBACK EngineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RUN_SCRIPTS) {
        auto* state = reinterpret_cast<EngineState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (state)
            state->RunPendingScripts();
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

static void PumpFor(DWORD milliseconds) {
    ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        ULONGLONG now = GetTickCount64();
        if (now >= end)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

void EngineState::RunPendingScripts() {
    if (runningScripts)
        return; // the outer run takes the rest of the queue in order
    runningScripts = true;
    while (!pendingScripts.empty()) {
        PendingScript script = std::move(pendingScripts.front());
        pendingScripts.erase(pendingScripts.begin());

        BridgeScriptRun run = core.RunScript(script.script, script.withValues ? script.values.data() : nullptr,
                                             script.values.size());
        std::string header = "script " + std::to_string(script.cookie);
        if (script.withValues) {
            std::string values;
            for (const std::string& value : run.values)
                values += (values.empty() ? "" : ", ") + ("\"" + value + "\"");
            Record(header + " values [" + values + "]");
        }
        for (const BridgeAction& action : run.actions) {
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
            case BridgeAction::Wait:
                Record(header + " action Wait " + std::to_string(action.milliseconds));
                PumpFor(action.milliseconds);
                break;
            default:
                Record(header + " action " + action.text);
                break;
            }
        }
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
            snprintf(line, sizeof line, "script %lu error %lu line %lu: %s", (unsigned long)script.cookie,
                     (unsigned long)run.errorNumber, (unsigned long)run.errorLine, run.errorText.c_str());
            Record(line);
            for (const auto& sink : sinks)
                sink->ScriptError(script.cookie, run.errorNumber, run.errorLine);
        } else {
            Record(header + " done");
            for (const auto& sink : sinks)
                sink->ScriptDone(script.cookie);
        }
    }
    runningScripts = false;
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
