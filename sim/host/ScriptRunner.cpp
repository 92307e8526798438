#include "ScriptRunner.h"
#include "HostText.h"
#include "WindowSearch.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace qmhost {
namespace {

constexpr UINT WM_SCRIPT_STEP = WM_APP + 0x31;
constexpr UINT WM_OTHERAPP_FOREGROUND = WM_APP + 0x32; // understood by qm-otherapp.exe
constexpr UINT_PTR kDeferredStepTimer = 1;
const wchar_t kRunnerClass[] = L"QmScriptRunner";
const wchar_t kOtherAppClass[] = L"QmOtherApp";

// Dispatches this thread's messages until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        if (done && done())
            return true;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return done && done();
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done())
            return true;
        ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        DWORD wait = static_cast<DWORD>(end - now);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait < 20 ? wait : 20, QS_ALLINPUT);
    }
}

std::string Joined(const std::vector<std::string>& args, size_t from) {
    std::string out;
    for (size_t i = from; i < args.size(); ++i)
        out += (i > from ? " " : "") + args[i];
    return out;
}

bool ParseNumber(const std::string& text, long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = strtol(text.c_str(), &end, 0);
    return end && !*end;
}

} // namespace

ScriptRunner::~ScriptRunner() {
    CloseOtherApp();
    if (window_)
        DestroyWindow(window_);
}

void ScriptRunner::Start(std::vector<ScriptCommand> commands) {
    commands_ = std::move(commands);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kRunnerClass;
    RegisterClassExW(&wc);
    window_ = CreateWindowExW(0, kRunnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    PostMessageW(window_, WM_SCRIPT_STEP, 0, 0);
}

LRESULT CALLBACK ScriptRunner::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kDeferredStepTimer) {
        KillTimer(window, kDeferredStepTimer);
        PostMessageW(window, WM_SCRIPT_STEP, 0, 0);
        return 0;
    }
    if (message == WM_SCRIPT_STEP) {
        // A step taken from inside a message box's modal loop would hold that box's caller
        // (the module) until the step ends; steps wait until the box has been answered.
        if (MessageBoxOpenOnThread(GetCurrentThreadId())) {
            SetTimer(window, kDeferredStepTimer, 20, nullptr);
            return 0;
        }
        auto* runner = reinterpret_cast<ScriptRunner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (runner)
            runner->Step();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ScriptRunner::Finish(bool failed) {
    finished_ = true;
    failed_ = failed;
    engine_.Record(failed ? "script failed" : "script completed");
    PostQuitMessage(failed ? 1 : 0);
}

void ScriptRunner::Step() {
    if (finished_)
        return;
    if (next_ >= commands_.size()) {
        Finish(false);
        return;
    }
    history_.Follow();
    const ScriptCommand& command = commands_[next_++];
    engine_.Record("> " + command.text);
    std::string message;
    bool quit = command.name == "quit";
    if (!quit && !Execute(command, message)) {
        engine_.Record("FAILED line " + std::to_string(command.line) + ": " + message);
        Finish(true);
        return;
    }
    if (quit) {
        Finish(false);
        return;
    }
    if (!finished_)
        PostMessageW(window_, WM_SCRIPT_STEP, 0, 0);
}

bool ScriptRunner::Execute(const ScriptCommand& c, std::string& message) {
    const std::vector<std::string>& a = c.args;
    auto need = [&](size_t count) {
        if (a.size() >= count)
            return true;
        message = c.name + " needs " + std::to_string(count) + " argument(s)";
        return false;
    };

    if (c.name == "say") {
        if (!need(1))
            return false;
        engine_.Say(Joined(a, 0));
        return true;
    }
    if (c.name == "echo") {
        engine_.Record(Joined(a, 0));
        return true;
    }
    if (c.name == "sleep") {
        long ms = 0;
        if (!need(1) || !ParseNumber(a[0], ms) || ms < 0) {
            message = message.empty() ? "sleep needs milliseconds" : message;
            return false;
        }
        PumpUntil(nullptr, static_cast<DWORD>(ms));
        return true;
    }
    if (c.name == "foreground")
        return need(1) && Foreground(Joined(a, 0), message);
    if (c.name == "menu") {
        long id = 0;
        if (!need(1) || !ParseNumber(a[0], id)) {
            message = "menu needs a command id";
            return false;
        }
        HWND dialog = FindModuleDialog();
        if (!dialog) {
            message = "the module's test-driver dialog is not there";
            return false;
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        return true;
    }
    if (c.name == "wait-log" || c.name == "expect-log") {
        if (!need(1))
            return false;
        long timeout = c.name == "wait-log" ? 10000 : 2000;
        if (a.size() > 1 && (!ParseNumber(a[1], timeout) || timeout < 0)) {
            message = "bad timeout " + a[1];
            return false;
        }
        const std::string& text = a[0];
        if (PumpUntil([&] { return ReadModuleLog().find(text) != std::string::npos; }, static_cast<DWORD>(timeout)))
            return true;
        message = "the log does not contain \"" + OneLine(text) + "\"; log:\n" + ReadModuleLog();
        return false;
    }
    if (c.name == "expect-logged") {
        // Any text the log has held, also one gone with a cleared log or a closed dialog.
        if (!need(1))
            return false;
        long timeout = 2000;
        if (a.size() > 1 && (!ParseNumber(a[1], timeout) || timeout < 0)) {
            message = "bad timeout " + a[1];
            return false;
        }
        if (PumpUntil([&] { return history_.Contains(a[0]); }, static_cast<DWORD>(timeout)))
            return true;
        message = "the log never contained \"" + OneLine(a[0]) + "\"; texts it held:";
        for (const std::string& held : history_.Texts())
            message += "\n---\n" + held;
        return false;
    }
    if (c.name == "close") {
        // As a click on the close box: the system menu's Close.
        if (!need(1))
            return false;
        std::string title = Joined(a, 0);
        HWND window = FindTopLevel(Wide(title), true, false);
        if (!window) {
            message = "no window \"" + title + "\"";
            return false;
        }
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    if (c.name == "expect-no-log") {
        if (!need(1))
            return false;
        PumpUntil(nullptr, 300); // let posted log texts arrive first
        std::string log = ReadModuleLog();
        if (log.find(a[0]) == std::string::npos)
            return true;
        message = "the log contains \"" + OneLine(a[0]) + "\"; log:\n" + log;
        return false;
    }
    if (c.name == "box") {
        // box CAPTION TEXT -> ANSWER
        int answer = a.size() == 4 && a[2] == "->" ? AnswerFromName(a[3]) : 0;
        if (!answer) {
            message = "usage: box CAPTION TEXT|* -> ok|cancel|yes|no";
            return false;
        }
        watcher_.AddRule({a[0], a[1], answer});
        return true;
    }
    if (c.name == "expect-box" || c.name == "expect-no-box") {
        if (!need(1))
            return false;
        std::string text = a.size() > 1 ? a[1] : "*";
        auto seen = [&] {
            for (const BoxRecord& r : watcher_.Records())
                if (r.caption == a[0] && (text == "*" || r.text.find(text) != std::string::npos))
                    return true;
            return false;
        };
        if (c.name == "expect-box") {
            if (PumpUntil(seen, 5000))
                return true;
            message = "no box \"" + a[0] + "\" with \"" + OneLine(text) + "\" appeared";
            return false;
        }
        PumpUntil(nullptr, 300);
        if (!seen())
            return true;
        message = "a box \"" + a[0] + "\" with \"" + OneLine(text) + "\" appeared";
        return false;
    }
    if (c.name == "dialog")
        return DialogCommand(c, message);
    if (c.name == "engine") {
        std::string text = engine_.Describe();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            engine_.Record(text.substr(start, end - start));
            start = end + 1;
        }
        return true;
    }
    if (c.name == "expect-engine")
        return EngineExpectation(c, message);
    if (c.name == "engine-time") {
        qmsim::Engine::CallTime time = engine_.EngineCallTime();
        char line[128];
        snprintf(line, sizeof line, "engine time: %.3f ms in %u calls", time.milliseconds, time.calls);
        engine_.Record(line);
        if (!a.empty() && a[0] == "reset")
            engine_.ResetEngineCallTime();
        return true;
    }
    if (c.name == "window") {
        // window TITLE: a window of this program with that title (made on first use), in front
        HWND window = windows_.Extra(Wide(Joined(a, 0)));
        return window && BringToForeground(window, Joined(a, 0), message);
    }
    if (c.name == "expect-transcript" || c.name == "expect-no-transcript") {
        if (!need(1))
            return false;
        bool found = false;
        for (const std::string& line : engine_.Transcript())
            if (line.compare(0, 2, "> ") != 0 && line.find(a[0]) != std::string::npos)
                found = true;
        if (found == (c.name == "expect-transcript"))
            return true;
        message = std::string("the transcript ") + (found ? "contains" : "does not contain") + " \"" + a[0] + "\"";
        return false;
    }
    if (c.name == "window-rect" || c.name == "expect-window")
        return WindowExpectation(c, message);
    if (c.name == "inject")
        return Inject(c, message);
    if (c.name == "unregister") {
        if (!loader_.UnregisterAll()) {
            message = "a module cannot unload (DllCanUnloadNow)";
            return false;
        }
        return true;
    }
    message = "unknown command \"" + c.name + "\"";
    return false;
}

HWND ScriptRunner::NamedWindow(const std::string& which) {
    if (which == "host")
        return windows_.Main();
    if (which == "dragonpad")
        return windows_.DragonPad();
    if (which == "font")
        return windows_.FontDialog();
    if (which == "other")
        return FindTopLevel(L"Other Application", false, false);
    if (HWND made = windows_.FindExtra(Wide(which)))
        return made;
    return FindTopLevel(Wide(which), false, false);
}

bool ScriptRunner::Foreground(const std::string& which, std::string& message) {
    HWND target = nullptr;
    if (which == "host") {
        target = windows_.Main();
    } else if (which == "dragonpad") {
        target = windows_.DragonPad();
        ShowWindow(target, SW_SHOW);
    } else if (which == "font") {
        ShowWindow(windows_.DragonPad(), SW_SHOW);
        target = windows_.FontDialog();
    } else if (which == "other") {
        if (!StartOtherApp(message))
            return false;
        target = FindTopLevel(L"Other Application", false, false);
    } else {
        target = FindTopLevel(Wide(which), false, false);
    }
    if (!target) {
        message = "no window \"" + which + "\"";
        return false;
    }
    return BringToForeground(target, which, message);
}

bool ScriptRunner::BringToForeground(HWND target, const std::string& which, std::string& message) {
    DWORD process = 0;
    GetWindowThreadProcessId(target, &process);
    if (process != GetCurrentProcessId()) {
        // A program may only bring itself forward: ask it, after letting it through.
        AllowSetForegroundWindow(process);
        PostMessageW(target, WM_OTHERAPP_FOREGROUND, 0, 0);
    }
    SetForegroundWindow(target);
    if (!PumpUntil([&] { return GetForegroundWindow() == target; }, 3000)) {
        message = "\"" + which + "\" did not come to the foreground";
        return false;
    }
    engine_.Record("foreground \"" + Utf8(WindowText(target)) + "\" (hwnd " +
                   std::to_string(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(target))) + ")");
    return true;
}

bool ScriptRunner::StartOtherApp(std::string& message) {
    if (otherApp_.hProcess && WaitForSingleObject(otherApp_.hProcess, 0) == WAIT_TIMEOUT)
        return true;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe = path;
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"qm-otherapp.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &otherApp_)) {
        message = "cannot start " + Utf8(exe);
        otherApp_ = {};
        return false;
    }
    WaitForInputIdle(otherApp_.hProcess, 5000);
    if (!PumpUntil([] { return FindTopLevel(L"Other Application", false, false) != nullptr; }, 5000)) {
        message = "qm-otherapp.exe showed no window";
        return false;
    }
    return true;
}

void ScriptRunner::CloseOtherApp() {
    if (!otherApp_.hProcess)
        return;
    HWND window = FindWindowW(kOtherAppClass, nullptr);
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(otherApp_.hProcess, 3000) != WAIT_OBJECT_0)
        TerminateProcess(otherApp_.hProcess, 1);
    CloseHandle(otherApp_.hProcess);
    CloseHandle(otherApp_.hThread);
    otherApp_ = {};
}

bool ScriptRunner::DialogCommand(const ScriptCommand& c, std::string& message) {
    // dialog TITLE set|click|read|select|expect ID [TEXT]
    const std::vector<std::string>& a = c.args;
    long id = 0;
    if (a.size() < 3 || !ParseNumber(a[2], id)) {
        message = "usage: dialog TITLE set|click|read|select|expect ID [TEXT]";
        return false;
    }
    HWND dialog = nullptr;
    PumpUntil([&] { return (dialog = FindTopLevel(Wide(a[0]), true, true)) != nullptr; }, 3000);
    if (!dialog) {
        message = "no dialog \"" + a[0] + "\"";
        return false;
    }
    HWND control = GetDlgItem(dialog, static_cast<int>(id));
    if (!control) {
        message = "dialog \"" + a[0] + "\" has no control " + a[2];
        return false;
    }
    const std::string& op = a[1];
    std::string text = a.size() > 3 ? a[3] : std::string();
    DWORD_PTR result = 0;
    if (op == "set") {
        std::wstring wide = Wide(text);
        SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 2000,
                            &result);
        return true;
    }
    if (op == "click") {
        // Posted: the click may open a modal dialog on the dialog's thread.
        if (IsWindowVisible(control))
            PostMessageW(control, BM_CLICK, 0, 0);
        else
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        return true;
    }
    if (op == "read") {
        engine_.Record("dialog \"" + a[0] + "\" control " + a[2] + ": \"" + OneLine(Utf8(WindowText(control))) + "\"");
        return true;
    }
    if (op == "select") {
        std::wstring wide = Wide(text);
        if (!SendMessageTimeoutW(control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 2000, &result) ||
            static_cast<LRESULT>(result) == CB_ERR) {
            message = "control " + a[2] + " has no entry \"" + text + "\"";
            return false;
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
        return true;
    }
    if (op == "expect" || op == "equals") {
        // expect: the text contains TEXT; equals: it is TEXT
        std::string got;
        if (PumpUntil([&] {
                got = WithoutReturns(Utf8(WindowText(control)));
                return op == "equals" ? got == text : got.find(text) != std::string::npos;
            }, 2000))
            return true;
        message = "control " + a[2] + " of \"" + a[0] + "\" reads \"" + OneLine(got) + "\", not \"" + text + "\"";
        return false;
    }
    message = "unknown dialog operation \"" + op + "\"";
    return false;
}

bool ScriptRunner::Inject(const ScriptCommand& c, std::string& message) {
    // inject window-module-error HRESULT|none | window-module-too-small N |
    //        grammar-load-error HRESULT|none | activate-error HRESULT|none | resume-timeout MS
    const std::vector<std::string>& a = c.args;
    //        activate-error HRESULT RULE | grammar-load-error-after N|none
    long value = 0;
    bool none = a.size() >= 2 && a[1] == "none";
    bool ruleGiven = a.size() == 3 && a[0] == "activate-error";
    if ((a.size() != 2 && !ruleGiven) || (!none && !ParseNumber(a[1], value))) {
        message = "usage: inject window-module-error|window-module-too-small|grammar-load-error|grammar-load-error-after|activate-error|resume-timeout VALUE";
        return false;
    }
    qmsim::EngineOptions& options = engine_.Options();
    if (a[0] == "window-module-error")
        options.windowModuleError = none ? S_OK : static_cast<HRESULT>(static_cast<unsigned long>(strtoul(a[1].c_str(), nullptr, 0)));
    else if (a[0] == "activate-error") {
        options.activateError = none ? S_OK : static_cast<HRESULT>(static_cast<unsigned long>(strtoul(a[1].c_str(), nullptr, 0)));
        options.activateErrorRule = ruleGiven ? a[2] : std::string();
    } else if (a[0] == "grammar-load-error-after" && (none || value >= 0))
        options.grammarLoadsBeforeError = none ? -1 : static_cast<int>(value);
    else if (a[0] == "grammar-load-error")
        options.grammarLoadError = none ? S_OK : static_cast<HRESULT>(static_cast<unsigned long>(strtoul(a[1].c_str(), nullptr, 0)));
    else if (a[0] == "window-module-too-small" && !none && value >= 0)
        options.windowModuleTooSmall = static_cast<int>(value);
    else if (a[0] == "resume-timeout" && !none && value > 0)
        options.resumeTimeoutMs = static_cast<DWORD>(value);
    else {
        message = "unknown injection \"" + a[0] + " " + a[1] + "\"";
        return false;
    }
    return true;
}

bool ScriptRunner::EngineExpectation(const ScriptCommand& c, std::string& message) {
    // expect-engine grammars N | engine-sinks N | action-sinks N | active RULE [global|bound] | inactive RULE |
    //               list NAME [VALUE...]
    const std::vector<std::string>& a = c.args;
    if (a.size() < 2) {
        message = "usage: expect-engine grammars|engine-sinks|action-sinks N, or active|inactive RULE [global|bound]";
        return false;
    }
    qmsim::EngineSnapshot s = engine_.Snapshot();
    long n = 0;
    if (a[0] == "grammars" || a[0] == "engine-sinks" || a[0] == "action-sinks") {
        if (!ParseNumber(a[1], n)) {
            message = "a number is needed";
            return false;
        }
        long have = a[0] == "grammars" ? (long)s.grammars.size()
                    : a[0] == "engine-sinks" ? (long)s.engineSinks.size() : (long)s.actionSinks;
        if (have == n)
            return true;
        message = "the engine has " + std::to_string(have) + " " + a[0] + ", not " + a[1];
        return false;
    }
    if (a[0] == "rules") {
        // expect-engine rules FROM TO inactive|global|bound WINDOW: every rule named FROM ... TO
        long from = 0, to = 0;
        HWND window = a.size() == 5 && a[3] == "bound" ? NamedWindow(a[4]) : nullptr;
        bool usage = a.size() < 4 || !ParseNumber(a[1], from) || !ParseNumber(a[2], to) || from > to ||
                     (a[3] == "bound" ? !window : (a[3] != "inactive" && a[3] != "global")) ||
                     (a[3] == "bound") != (a.size() == 5);
        if (usage) {
            message = "usage: expect-engine rules FROM TO inactive|global|bound WINDOW (an existing window)";
            return false;
        }
        std::map<std::string, const qmsim::RuleState*> rules;
        for (const qmsim::GrammarState& g : s.grammars)
            for (const qmsim::RuleState& r : g.rules)
                rules[r.name] = &r;
        for (long k = from; k <= to; ++k) {
            auto it = rules.find(std::to_string(k));
            const qmsim::RuleState* r = it == rules.end() ? nullptr : it->second;
            bool ok = r && (a[3] == "inactive" ? !r->active : r->active && r->window == window);
            if (!ok) {
                message = "rule \"" + std::to_string(k) + "\" is " +
                          (!r ? std::string("not loaded")
                              : !r->active ? std::string("inactive")
                                           : "active for window " + std::to_string((unsigned long)(uintptr_t)r->window));
                return false;
            }
        }
        return true;
    }
    if (a[0] == "list") {
        // expect-engine list NAME [VALUE...]: the list's values, exactly and in order
        std::vector<std::string> expected(a.begin() + 2, a.end());
        for (const qmsim::GrammarState& g : s.grammars)
            for (const qmsim::ListState& l : g.lists)
                if (l.name == a[1] && l.words == expected)
                    return true;
        message = "no loaded grammar has a list \"" + a[1] + "\" with exactly those values";
        return false;
    }
    const qmsim::RuleState* found = nullptr;
    for (const qmsim::GrammarState& g : s.grammars)
        for (const qmsim::RuleState& r : g.rules)
            if (r.name == a[1])
                found = &r;
    if (!found) {
        message = "no loaded grammar has a rule \"" + a[1] + "\"";
        return false;
    }
    if (a[0] == "inactive") {
        if (!found->active)
            return true;
        message = "rule \"" + a[1] + "\" is active";
        return false;
    }
    if (a[0] != "active") {
        message = "unknown engine expectation \"" + a[0] + "\"";
        return false;
    }
    if (!found->active) {
        message = "rule \"" + a[1] + "\" is not active";
        return false;
    }
    if (a.size() > 2 && (a[2] == "global") != (found->window == nullptr)) {
        message = "rule \"" + a[1] + "\" is " + (found->window ? "bound to a window" : "global");
        return false;
    }
    return true;
}

bool ScriptRunner::WindowExpectation(const ScriptCommand& c, std::string& message) {
    // window-rect TITLE | expect-window TITLE visible|hidden|top-left|bottom-left|top-right|bottom-right|at X Y
    const std::vector<std::string>& a = c.args;
    if (a.empty() || (c.name == "expect-window" && a.size() < 2)) {
        message = "usage: window-rect TITLE, expect-window TITLE visible|hidden|top-left|...|at X Y";
        return false;
    }
    HWND window = FindTopLevel(Wide(a[0]), true, false);
    if (!window) {
        message = "no window \"" + a[0] + "\"";
        return false;
    }
    RECT rect = {};
    GetWindowRect(window, &rect);
    RECT work = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, 1200, 800};
    long width = work.right - work.left, height = work.bottom - work.top;
    long w = rect.right - rect.left, h = rect.bottom - rect.top;
    bool visible = IsWindowVisible(window) != 0;
    char line[192];
    snprintf(line, sizeof line, "window \"%s\": %ld,%ld %ldx%ld %s, work area %ldx%ld", a[0].c_str(), rect.left,
             rect.top, w, h, visible ? "visible" : "hidden", width, height);
    if (c.name == "window-rect") {
        engine_.Record(line);
        return true;
    }
    const std::string& what = a[1];
    bool ok;
    if (what == "visible" || what == "hidden") {
        ok = PumpUntil([&] { return (IsWindowVisible(window) != 0) == (what == "visible"); }, 2000);
    } else {
        long x = 0, y = 0;
        if (what == "top-left") {
        } else if (what == "bottom-left") {
            y = height - h;
        } else if (what == "top-right") {
            x = width - w;
        } else if (what == "bottom-right") {
            x = width - w;
            y = height - h;
        } else if (what == "at" && a.size() == 4 && ParseNumber(a[2], x) && ParseNumber(a[3], y)) {
        } else {
            message = "unknown window expectation \"" + what + "\"";
            return false;
        }
        ok = PumpUntil(
            [&] {
                GetWindowRect(window, &rect);
                return rect.left == x && rect.top == y;
            },
            2000);
        snprintf(line, sizeof line, "window \"%s\" at %ld,%ld, expected %ld,%ld", a[0].c_str(), rect.left, rect.top,
                 x, y);
    }
    if (!ok)
        message = line;
    return ok;
}

} // namespace qmhost
