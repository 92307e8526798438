#include "ScriptRunner.h"
#include "HostText.h"
#include "WindowSearch.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace qmhost {
namespace {

constexpr UINT WM_OTHERAPP_FOREGROUND = WM_APP + 0x32; // understood by qm-otherapp.exe
constexpr UINT_PTR kStepTimer = 1;
const wchar_t kRunnerClass[] = L"QmScriptRunner";
const wchar_t kOtherAppClass[] = L"QmOtherApp";
constexpr DWORD kControlWaitMs = 2000;   // a control's state or text to be as expected
constexpr DWORD kDialogWaitMs = 3000;    // a dialog (and the control) to be there
constexpr DWORD kFileDialogWaitMs = 5000;

StepOutcome Done() { return StepOutcome(); }

StepOutcome Fail(std::string message) {
    StepOutcome outcome;
    outcome.kind = StepOutcome::Kind::Failed;
    outcome.message = std::move(message);
    return outcome;
}

StepOutcome WaitFor(DWORD milliseconds, std::function<bool()> ready, std::function<StepOutcome()> then,
                    std::function<StepOutcome()> expired) {
    StepOutcome outcome;
    outcome.kind = StepOutcome::Kind::Waiting;
    outcome.milliseconds = milliseconds;
    outcome.ready = std::move(ready);
    outcome.then = std::move(then);
    outcome.expired = std::move(expired);
    return outcome;
}

// Waits until ready() holds; when it does not in time, fails with failure()'s text.
StepOutcome Expect(DWORD milliseconds, std::function<bool()> ready, std::function<std::string()> failure) {
    return WaitFor(milliseconds, std::move(ready), nullptr, [failure] { return Fail(failure()); });
}

// first, and once it is done, next.
StepOutcome Then(StepOutcome first, std::function<StepOutcome()> next) {
    if (first.kind == StepOutcome::Kind::Done)
        return next();
    if (first.kind == StepOutcome::Kind::Failed)
        return first;
    auto followedByNext = [next](std::function<StepOutcome()> part) -> std::function<StepOutcome()> {
        return [part, next] { return Then(part ? part() : Done(), next); };
    };
    first.then = followedByNext(first.then);
    if (first.expired)
        first.expired = followedByNext(first.expired);
    return first;
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

// The optional time limit in args[index] (milliseconds), else fallback; false when malformed.
bool TimeLimit(const std::vector<std::string>& args, size_t index, long fallback, DWORD& milliseconds) {
    long value = fallback;
    if (args.size() > index && (!ParseNumber(args[index], value) || value < 0))
        return false;
    milliseconds = static_cast<DWORD>(value);
    return true;
}

bool IsChecked(HWND control) {
    DWORD_PTR state = 0;
    return SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state) && state == BST_CHECKED;
}

bool IsCheckable(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return _wcsicmp(className, L"Button") == 0 &&
           (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
            type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

std::string Quoted(const std::string& text) { return "\"" + OneLine(text) + "\""; }

} // namespace

ScriptRunner::~ScriptRunner() {
    CloseOtherApp();
    if (window_)
        DestroyWindow(window_);
}

void ScriptRunner::Start(std::vector<ScriptCommand> commands) {
    commands_ = std::move(commands);
    frames_.emplace_back(new Frame);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kRunnerClass;
    RegisterClassExW(&wc);
    window_ = CreateWindowExW(0, kRunnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(window_, kStepTimer, USER_TIMER_MINIMUM, nullptr);
}

LRESULT CALLBACK ScriptRunner::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kStepTimer) {
        auto* runner = reinterpret_cast<ScriptRunner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (runner)
            runner->Tick();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ScriptRunner::Finish(bool failed) {
    Stop();
    failed_ = failed;
    engine_.Record(failed ? "script failed" : "script completed");
    PostQuitMessage(failed ? 1 : 0);
}

void ScriptRunner::Stop() {
    if (window_)
        KillTimer(window_, kStepTimer);
    finished_ = true;
    // The frames stay (a step of one may be on the stack); their boxes must not wait.
    for (const HeldBox& held : watcher_.DisarmAll())
        watcher_.Answer(held.box);
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame)
        if ((*frame)->box)
            watcher_.Answer((*frame)->box);
}

void ScriptRunner::AdoptHeldBoxes() {
    for (const HeldBox& held : watcher_.TakeHeld()) {
        auto armed = armed_.find(held.token);
        if (armed == armed_.end()) {
            watcher_.Answer(held.box);
            continue;
        }
        std::unique_ptr<Frame> frame(new Frame);
        frame->box = held.box;
        frame->command = armed->second;
        frame->line = armed->second->line;
        armed_.erase(armed);
        engine_.Record("box " + Quoted(held.record.caption) + " " + Quoted(held.record.text) + " held for on-box line " +
                       std::to_string(frame->line));
        frames_.push_back(std::move(frame));
    }
}

std::set<HWND> ScriptRunner::HeldBoxes() const {
    std::set<HWND> boxes;
    for (const auto& frame : frames_)
        if (frame->box)
            boxes.insert(frame->box);
    return boxes;
}

void ScriptRunner::Tick() {
    if (finished_)
        return;
    AdoptHeldBoxes();
    Frame& frame = *frames_.back();
    // A tick inside a step (a step that called the module, which ran a loop of its own)
    // leaves the step alone.
    if (frame.busy)
        return;
    // A step taken while a message box is open would go ahead of its caller (the module),
    // which waits for the answer; the box watcher gives it within moments. The boxes held
    // for triggers are the frames' own.
    if (MessageBoxOpenOnThread(GetCurrentThreadId(), HeldBoxes())) {
        frame.quietSince = 0;
        return;
    }
    frame.busy = true;
    bool over = false;
    if (frame.box)
        over = StepTrigger(frame);
    else
        StepScript(frame);
    frame.busy = false;
    if (!over)
        return;
    HWND box = frame.box;
    for (auto it = frames_.begin(); it != frames_.end(); ++it)
        if (it->get() == &frame) {
            frames_.erase(it);
            break;
        }
    watcher_.Answer(box);
}

void ScriptRunner::StepScript(Frame& frame) {
    if (frame.waiting) {
        Resume(frame);
    } else if (next_ >= commands_.size() || commands_[next_].name == "quit") {
        if (next_ < commands_.size())
            engine_.Record("> " + commands_[next_].text);
        Finish(false);
    } else {
        Run(frame, commands_[next_++]);
    }
}

bool ScriptRunner::StepTrigger(Frame& frame) {
    if (!frame.started) {
        frame.started = true;
        if (frame.command->name == "quit") {
            engine_.Record("> " + frame.command->text);
            Finish(false);
        } else {
            Run(frame, *frame.command);
        }
        return false;
    }
    if (frame.waiting) {
        Resume(frame);
        return false;
    }
    // Done: what it posted to other threads (the module's dialog forwards menu commands)
    // and the boxes it raised get their time before the box is answered.
    constexpr ULONGLONG kQuietMs = 100;
    ULONGLONG now = GetTickCount64();
    if (!frame.quietSince)
        frame.quietSince = now;
    return now - frame.quietSince >= kQuietMs;
}

void ScriptRunner::Run(Frame& frame, const ScriptCommand& command) {
    history_.Follow();
    frame.line = command.line;
    engine_.Record("> " + command.text);
    Settle(frame, Execute(command));
}

void ScriptRunner::Resume(Frame& frame) {
    bool ready = frame.waiting->ready && frame.waiting->ready();
    if (!ready && GetTickCount64() < frame.deadline)
        return;
    std::unique_ptr<StepOutcome> step = std::move(frame.waiting);
    if (ready)
        Settle(frame, step->then ? step->then() : Done());
    else
        Settle(frame, step->expired ? step->expired() : Fail("the time is up"));
}

void ScriptRunner::Settle(Frame& frame, StepOutcome outcome) {
    while (outcome.kind == StepOutcome::Kind::Waiting && outcome.ready && outcome.ready()) {
        std::function<StepOutcome()> then = std::move(outcome.then);
        outcome = then ? then() : Done();
    }
    if (outcome.kind == StepOutcome::Kind::Failed) {
        engine_.Record("FAILED line " + std::to_string(frame.line) + ": " + outcome.message);
        Finish(true);
    } else if (outcome.kind == StepOutcome::Kind::Waiting) {
        frame.deadline = GetTickCount64() + outcome.milliseconds;
        frame.waiting.reset(new StepOutcome(std::move(outcome)));
    } else {
        // A module unregistered earlier may have become unloadable.
        loader_.AskUnload();
    }
}

StepOutcome ScriptRunner::Execute(const ScriptCommand& c) {
    const std::vector<std::string>& a = c.args;
    static const char* const kNeedText[] = {"say",          "sleep",         "foreground",        "close",
                                            "wait-log",     "expect-log",    "expect-logged",     "expect-no-log",
                                            "expect-box",   "expect-no-box", "expect-box-count",  "file-dialog",
                                            "wait-transcript", "expect-transcript", "expect-no-transcript"};
    for (const char* name : kNeedText)
        if (a.empty() && c.name == name)
            return Fail(c.name + " needs 1 argument(s)");

    if (c.name == "say") {
        DWORD utterance = engine_.BeginUtterance(Joined(a, 0));
        auto finish = [this, utterance] {
            engine_.FinishUtterance(utterance);
            return Done();
        };
        return WaitFor(engine_.Options().resumeTimeoutMs, [this, utterance] { return engine_.UtteranceResumed(utterance); },
                       finish, finish);
    }
    if (c.name == "echo") {
        engine_.Record(Joined(a, 0));
        return Done();
    }
    if (c.name == "sleep") {
        DWORD ms = 0;
        if (!TimeLimit(a, 0, 0, ms))
            return Fail("sleep needs milliseconds");
        return WaitFor(ms, nullptr, nullptr, Done);
    }
    if (c.name == "foreground")
        return Foreground(Joined(a, 0));
    if (c.name == "menu") {
        long id = 0;
        if (a.empty() || !ParseNumber(a[0], id))
            return Fail("menu needs a command id");
        if (loader_.Unregistered())
            return Fail("the module is unregistered: its window may belong to a freed library");
        HWND dialog = FindModuleDialog();
        if (!dialog)
            return Fail("the module's test-driver dialog is not there");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        return Done();
    }
    if (c.name == "wait-log" || c.name == "expect-log" || c.name == "expect-logged" || c.name == "expect-no-log")
        return LogCommand(c);
    if (c.name == "close") {
        // As a click on the close box: the system menu's Close.
        std::string title = Joined(a, 0);
        HWND window = FindTopLevel(qmsim::Widen(title), true, false);
        if (!window)
            return Fail("no window \"" + title + "\"");
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return Done();
    }
    if (c.name == "box" || c.name == "expect-box" || c.name == "expect-no-box" || c.name == "expect-box-count")
        return BoxCommand(c);
    if (c.name == "on-box")
        return ArmTrigger(c);
    if (c.name == "dialog")
        return DialogCommand(c);
    if (c.name == "file-dialog")
        return FileDialog(c);
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
        return Done();
    }
    if (c.name == "expect-engine")
        return EngineExpectation(c);
    if (c.name == "engine-time") {
        qmsim::Engine::CallTime time = engine_.EngineCallTime();
        char line[128];
        snprintf(line, sizeof line, "engine time: %.3f ms in %u calls, %.3f ms from the first to the last",
                 time.milliseconds, time.calls, time.spanMilliseconds);
        engine_.Record(line);
        if (!a.empty() && a[0] == "reset")
            engine_.ResetEngineCallTime();
        return Done();
    }
    if (c.name == "window") {
        // window TITLE: a window of this program with that title (made on first use), in front
        HWND window = windows_.Extra(qmsim::Widen(Joined(a, 0)));
        return window ? BringToForeground(window, Joined(a, 0)) : Fail("cannot make the window");
    }
    if (c.name == "expect-transcript" || c.name == "expect-no-transcript" || c.name == "wait-transcript")
        return TranscriptCommand(c);
    if (c.name == "window-rect" || c.name == "expect-window")
        return WindowExpectation(c);
    if (c.name == "inject")
        return Inject(c);
    if (c.name == "unregister") {
        loader_.UnregisterAll();
        return Done();
    }
    return Fail("unknown command \"" + c.name + "\"");
}

StepOutcome ScriptRunner::LogCommand(const ScriptCommand& c) {
    // wait-log|expect-log|expect-logged TEXT [MS], expect-no-log TEXT
    const std::string text = c.args[0];
    DWORD ms = 0;
    if (!TimeLimit(c.args, 1, c.name == "wait-log" ? 10000 : 2000, ms))
        return Fail("bad timeout " + c.args[1]);
    if (c.name == "expect-no-log") {
        // Log texts posted before this step arrive first.
        return WaitFor(300, nullptr, nullptr, [text] {
            std::string log = ReadModuleLog();
            if (log.find(text) == std::string::npos)
                return Done();
            return Fail("the log contains " + Quoted(text) + "; log:\n" + log);
        });
    }
    if (c.name == "expect-logged") {
        // Any text the log has held, also one gone with a cleared log or a closed dialog.
        return Expect(ms, [this, text] { return history_.Contains(text); }, [this, text] {
            std::string message = "the log never contained " + Quoted(text) + "; texts it held:";
            for (const std::string& held : history_.Texts())
                message += "\n---\n" + held;
            return message;
        });
    }
    return Expect(ms, [text] { return ReadModuleLog().find(text) != std::string::npos; },
                  [text] { return "the log does not contain " + Quoted(text) + "; log:\n" + ReadModuleLog(); });
}

size_t ScriptRunner::BoxesSeen(const std::string& caption, const std::string& text) const {
    size_t count = 0;
    for (const BoxRecord& r : watcher_.Records())
        count += BoxMatches(r, caption, text);
    return count;
}

StepOutcome ScriptRunner::ArmTrigger(const ScriptCommand& c) {
    // on-box CAPTION TEXT|* COMMAND [ARGUMENTS...]: the parser has made the command.
    if (!c.triggered)
        return Fail("usage: on-box CAPTION TEXT|* COMMAND [ARGUMENTS...]");
    int token = ++lastToken_;
    armed_[token] = c.triggered;
    watcher_.Arm({c.args[0], c.args[1], GetCurrentThreadId(), token});
    return Done();
}

StepOutcome ScriptRunner::BoxCommand(const ScriptCommand& c) {
    const std::vector<std::string>& a = c.args;
    if (c.name == "box") {
        // box CAPTION TEXT -> ANSWER
        int answer = a.size() == 4 && a[2] == "->" ? AnswerFromName(a[3]) : 0;
        if (!answer)
            return Fail("usage: box CAPTION TEXT|* -> ok|cancel|yes|no");
        watcher_.AddRule({a[0], a[1], answer});
        return Done();
    }
    const std::string caption = a[0];
    if (c.name == "expect-box-count") {
        // expect-box-count CAPTION [TEXT] N: boxes only come, so a count past N fails at once.
        long expected = 0;
        if (a.size() < 2 || a.size() > 3 || !ParseNumber(a.back(), expected) || expected < 0)
            return Fail("usage: expect-box-count CAPTION [TEXT] N");
        const std::string text = a.size() == 3 ? a[1] : "*";
        size_t n = static_cast<size_t>(expected);
        return WaitFor(kControlWaitMs, [this, caption, text, n] { return BoxesSeen(caption, text) >= n; },
                       [this, caption, text, n] {
                           size_t seen = BoxesSeen(caption, text);
                           if (seen == n)
                               return Done();
                           return Fail(std::to_string(seen) + " boxes " + Quoted(caption) + " with " + Quoted(text) +
                                       " appeared, not " + std::to_string(n));
                       },
                       [this, caption, text, n] {
                           return Fail(std::to_string(BoxesSeen(caption, text)) + " boxes " + Quoted(caption) +
                                       " with " + Quoted(text) + " appeared, not " + std::to_string(n));
                       });
    }
    const std::string text = a.size() > 1 ? a[1] : "*";
    if (c.name == "expect-box")
        return Expect(5000, [this, caption, text] { return BoxesSeen(caption, text) > 0; },
                      [caption, text] { return "no box \"" + caption + "\" with " + Quoted(text) + " appeared"; });
    return WaitFor(300, nullptr, nullptr, [this, caption, text] {
        if (BoxesSeen(caption, text) == 0)
            return Done();
        return Fail("a box \"" + caption + "\" with " + Quoted(text) + " appeared");
    });
}

StepOutcome ScriptRunner::TranscriptCommand(const ScriptCommand& c) {
    // expect-transcript TEXT, expect-no-transcript TEXT, wait-transcript TEXT [MS]
    const std::string text = c.args[0];
    auto found = [this, text] {
        for (const std::string& line : engine_.Transcript())
            if (line.compare(0, 2, "> ") != 0 && line.find(text) != std::string::npos)
                return true;
        return false;
    };
    if (c.name == "wait-transcript") {
        DWORD ms = 0;
        if (!TimeLimit(c.args, 1, 10000, ms))
            return Fail("bad timeout " + c.args[1]);
        return Expect(ms, found, [text] { return "the transcript does not contain \"" + text + "\""; });
    }
    bool has = found();
    if (has == (c.name == "expect-transcript"))
        return Done();
    return Fail(std::string("the transcript ") + (has ? "contains" : "does not contain") + " \"" + text + "\"");
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
    if (HWND made = windows_.FindExtra(qmsim::Widen(which)))
        return made;
    return FindTopLevel(qmsim::Widen(which), false, false);
}

StepOutcome ScriptRunner::Foreground(const std::string& which) {
    if (which == "other")
        return Then(StartOtherApp(), [this] {
            return BringToForeground(FindTopLevel(L"Other Application", false, false), "other");
        });
    HWND target = nullptr;
    if (which == "host") {
        target = windows_.Main();
    } else if (which == "dragonpad") {
        target = windows_.DragonPad();
        ShowWindow(target, SW_SHOW);
    } else if (which == "font") {
        ShowWindow(windows_.DragonPad(), SW_SHOW);
        target = windows_.FontDialog();
    } else {
        target = FindTopLevel(qmsim::Widen(which), false, false);
    }
    return BringToForeground(target, which);
}

StepOutcome ScriptRunner::BringToForeground(HWND target, const std::string& which) {
    if (!target)
        return Fail("no window \"" + which + "\"");
    DWORD process = 0;
    GetWindowThreadProcessId(target, &process);
    if (process != GetCurrentProcessId()) {
        // A program may only bring itself forward: ask it, after letting it through.
        AllowSetForegroundWindow(process);
        PostMessageW(target, WM_OTHERAPP_FOREGROUND, 0, 0);
    }
    SetForegroundWindow(target);
    return WaitFor(3000, [target] { return GetForegroundWindow() == target; },
                   [this, target] {
                       engine_.Record("foreground \"" + qmsim::Narrow(WindowText(target)) + "\" (hwnd " +
                                      std::to_string(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(target))) +
                                      ")");
                       return Done();
                   },
                   [which] { return Fail("\"" + which + "\" did not come to the foreground"); });
}

StepOutcome ScriptRunner::StartOtherApp() {
    auto shown = [] { return FindTopLevel(L"Other Application", false, false) != nullptr; };
    auto noWindow = [] { return std::string("qm-otherapp.exe showed no window"); };
    if (otherApp_.hProcess && WaitForSingleObject(otherApp_.hProcess, 0) == WAIT_TIMEOUT)
        return Expect(5000, shown, noWindow);
    if (otherApp_.hProcess) {
        CloseHandle(otherApp_.hProcess);
        CloseHandle(otherApp_.hThread);
        otherApp_ = {};
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe = path;
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"qm-otherapp.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &otherApp_)) {
        otherApp_ = {};
        return Fail("cannot start " + qmsim::Narrow(exe));
    }
    return Expect(5000, shown, noWindow);
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

StepOutcome ScriptRunner::DialogCommand(const ScriptCommand& c) {
    // dialog TITLE OPERATION ID [TEXT]
    const std::vector<std::string>& a = c.args;
    static const char* const kActing[] = {"set", "click", "check", "select"};
    static const char* const kReading[] = {"read",           "expect",          "equals",        "expect-exact",
                                           "expect-enabled", "expect-disabled", "expect-checked"};
    long id = 0;
    if (a.size() < 3 || !ParseNumber(a[2], id))
        return Fail("usage: dialog TITLE set|click|check|select|read|expect|equals|expect-exact|expect-enabled|"
                    "expect-disabled|expect-checked ID [TEXT]");
    bool acts = false, known = false;
    for (const char* op : kActing)
        acts = acts || a[1] == op;
    for (const char* op : kReading)
        known = known || a[1] == op;
    if (!acts && !known)
        return Fail("unknown dialog operation \"" + a[1] + "\"");

    // A person acts only on a control that can be seen and used: the dialog shown (a modal
    // dialog is shown once its loop finds the queue empty) and the control visible and
    // enabled. Reading needs the control only.
    struct Search {
        HWND dialog = nullptr;
        HWND control = nullptr;
        std::string problem;
    };
    auto search = std::make_shared<Search>();
    const std::string title = a[0], idText = a[2];
    auto look = [search, title, idText, id, acts] {
        Search& s = *search;
        s.dialog = FindTopLevel(qmsim::Widen(title), true, true, acts);
        s.control = s.dialog ? GetDlgItem(s.dialog, static_cast<int>(id)) : nullptr;
        std::string control = "control " + idText + " of \"" + title + "\"";
        if (!s.dialog)
            s.problem = acts ? "no visible dialog \"" + title + "\"" : "no dialog \"" + title + "\"";
        else if (!s.control)
            s.problem = "dialog \"" + title + "\" has no control " + idText;
        else if (acts && !IsWindowVisible(s.control))
            s.problem = control + " is hidden: a person could not use it";
        else if (acts && (!IsWindowEnabled(s.control) || !IsWindowEnabled(s.dialog)))
            s.problem = control + " is disabled: a person could not use it";
        else
            s.problem.clear();
        return s.problem.empty();
    };
    return WaitFor(kDialogWaitMs, look, [this, c, search] { return DialogOperation(c, search->dialog, search->control); },
                   [search] { return Fail(search->problem); });
}

StepOutcome ScriptRunner::DialogOperation(const ScriptCommand& c, HWND dialog, HWND control) {
    const std::vector<std::string>& a = c.args;
    const std::string op = a[1];
    const std::string text = a.size() > 3 ? a[3] : std::string();
    const std::string name = "control " + a[2] + " of \"" + a[0] + "\"";
    DWORD_PTR result = 0;
    if (op == "set") {
        std::wstring wide = qmsim::Widen(text);
        SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 2000,
                            &result);
        return Done();
    }
    if (op == "click") {
        // Posted: the click may open a modal dialog on the dialog's thread.
        PostMessageW(control, BM_CLICK, 0, 0);
        return Done();
    }
    if (op == "check") {
        // A click on a check box or radio button that is not checked yet, as a person would.
        if (!IsCheckable(control))
            return Fail(name + " is no check box or radio button");
        if (!IsChecked(control))
            PostMessageW(control, BM_CLICK, 0, 0);
        return Expect(kControlWaitMs, [control] { return IsChecked(control); },
                      [name] { return name + " did not become checked"; });
    }
    if (op == "read") {
        engine_.Record("dialog \"" + a[0] + "\" control " + a[2] + ": \"" + OneLine(qmsim::Narrow(WindowText(control))) + "\"");
        return Done();
    }
    if (op == "select") {
        std::wstring wide = qmsim::Widen(text);
        if (!SendMessageTimeoutW(control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 2000, &result) ||
            static_cast<LRESULT>(result) == CB_ERR)
            return Fail("control " + a[2] + " has no entry \"" + text + "\"");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(LOWORD(GetDlgCtrlID(control)), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control));
        return Done();
    }
    if (op == "expect" || op == "equals" || op == "expect-exact") {
        // expect: the text contains TEXT; equals: it is TEXT, carriage returns left out;
        // expect-exact: it is TEXT, character for character.
        auto got = std::make_shared<std::string>();
        return Expect(kControlWaitMs,
                      [control, op, text, got] {
                          *got = qmsim::Narrow(WindowText(control));
                          if (op == "expect-exact")
                              return *got == text;
                          *got = WithoutReturns(*got);
                          return op == "equals" ? *got == text : got->find(text) != std::string::npos;
                      },
                      [a, op, text, got] {
                          return "control " + a[2] + " of \"" + a[0] + "\" reads \"" + OneLine(*got) + "\", not " +
                                 (op == "expect-exact" ? "exactly " : "") + "\"" + OneLine(text) + "\"";
                      });
    }
    if (op == "expect-checked")
        return Expect(kControlWaitMs, [control] { return IsChecked(control); },
                      [name] { return name + " is not checked"; });
    bool enabled = op == "expect-enabled";
    return Expect(kControlWaitMs, [control, enabled] { return (IsWindowEnabled(control) != 0) == enabled; },
                  [name, enabled] { return name + (enabled ? " is disabled" : " is enabled"); });
}

StepOutcome ScriptRunner::FileDialog(const ScriptCommand& c) {
    // file-dialog PATH|cancel: the next common Open dialog, found by its controls, not its title
    if (c.args.size() != 1)
        return Fail("usage: file-dialog PATH|cancel");
    const std::string path = c.args[0];
    bool cancel = path == "cancel";
    auto dialog = std::make_shared<HWND>(nullptr);
    auto answer = [this, dialog, path, cancel] {
        std::string title = qmsim::Narrow(WindowText(*dialog));
        if (!cancel) {
            HWND edit = FileNameEdit(*dialog);
            if (!edit)
                return Fail("the Open dialog \"" + title + "\" has no file-name box");
            std::wstring wide = qmsim::Widen(path);
            DWORD_PTR result = 0;
            SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 2000,
                                &result);
        }
        int id = cancel ? IDCANCEL : IDOK;
        HWND button = GetDlgItem(*dialog, id);
        if (button && IsWindowVisible(button) && IsWindowEnabled(button))
            PostMessageW(button, BM_CLICK, 0, 0);
        else
            PostMessageW(*dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        engine_.Record("file dialog \"" + title + "\" -> " + (cancel ? std::string("cancel") : Quoted(path)));
        HWND answered = *dialog;
        return Expect(kFileDialogWaitMs, [answered] { return !IsWindow(answered) || !IsWindowVisible(answered); },
                      [title, path] { return "the Open dialog \"" + title + "\" is still open after " + Quoted(path); });
    };
    return WaitFor(kFileDialogWaitMs, [dialog] { return (*dialog = FindFileDialog()) != nullptr; }, answer,
                   [] { return Fail("no common Open dialog appeared"); });
}

StepOutcome ScriptRunner::Inject(const ScriptCommand& c) {
    // inject window-module-error HRESULT|none | window-module-too-small N |
    //        grammar-load-error HRESULT|none | activate-error HRESULT|none [RULE] |
    //        grammar-load-error-after N|none | resume-timeout MS
    const std::vector<std::string>& a = c.args;
    long value = 0;
    bool none = a.size() >= 2 && a[1] == "none";
    bool ruleGiven = a.size() == 3 && a[0] == "activate-error";
    if ((a.size() != 2 && !ruleGiven) || (!none && !ParseNumber(a[1], value)))
        return Fail("usage: inject window-module-error|window-module-too-small|grammar-load-error|"
                    "grammar-load-error-after|activate-error|resume-timeout VALUE");
    auto code = [&] { return none ? S_OK : static_cast<HRESULT>(static_cast<unsigned long>(strtoul(a[1].c_str(), nullptr, 0))); };
    qmsim::EngineOptions& options = engine_.Options();
    if (a[0] == "window-module-error")
        options.windowModuleError = code();
    else if (a[0] == "activate-error") {
        options.activateError = code();
        options.activateErrorRule = ruleGiven ? a[2] : std::string();
    } else if (a[0] == "grammar-load-error-after" && (none || value >= 0))
        options.grammarLoadsBeforeError = none ? -1 : static_cast<int>(value);
    else if (a[0] == "grammar-load-error")
        options.grammarLoadError = code();
    else if (a[0] == "window-module-too-small" && !none && value >= 0)
        options.windowModuleTooSmall = static_cast<int>(value);
    else if (a[0] == "resume-timeout" && !none && value > 0)
        options.resumeTimeoutMs = static_cast<DWORD>(value);
    else
        return Fail("unknown injection \"" + a[0] + " " + a[1] + "\"");
    return Done();
}

StepOutcome ScriptRunner::EngineExpectation(const ScriptCommand& c) {
    // expect-engine grammars N | engine-sinks N | action-sinks N | active RULE [global|bound] | inactive RULE |
    //               list NAME [VALUE...] | rules FROM TO inactive|global|bound WINDOW
    const std::vector<std::string>& a = c.args;
    if (a.size() < 2)
        return Fail("usage: expect-engine grammars|engine-sinks|action-sinks N, or active|inactive RULE [global|bound]");
    qmsim::EngineSnapshot s = engine_.Snapshot();
    long n = 0;
    if (a[0] == "grammars" || a[0] == "engine-sinks" || a[0] == "action-sinks") {
        if (!ParseNumber(a[1], n))
            return Fail("a number is needed");
        long have = a[0] == "grammars" ? (long)s.grammars.size()
                    : a[0] == "engine-sinks" ? (long)s.engineSinks.size() : (long)s.actionSinks;
        if (have == n)
            return Done();
        return Fail("the engine has " + std::to_string(have) + " " + a[0] + ", not " + a[1]);
    }
    if (a[0] == "rules") {
        // every rule named FROM ... TO (decimal numbers)
        long from = 0, to = 0;
        HWND window = a.size() == 5 && a[3] == "bound" ? NamedWindow(a[4]) : nullptr;
        bool usage = a.size() < 4 || !ParseNumber(a[1], from) || !ParseNumber(a[2], to) || from > to ||
                     (a[3] == "bound" ? !window : (a[3] != "inactive" && a[3] != "global")) ||
                     (a[3] == "bound") != (a.size() == 5);
        if (usage)
            return Fail("usage: expect-engine rules FROM TO inactive|global|bound WINDOW (an existing window)");
        std::map<std::string, const qmsim::RuleState*> rules;
        for (const qmsim::GrammarState& g : s.grammars)
            for (const qmsim::RuleState& r : g.rules)
                rules[r.name] = &r;
        for (long k = from; k <= to; ++k) {
            auto it = rules.find(std::to_string(k));
            const qmsim::RuleState* r = it == rules.end() ? nullptr : it->second;
            bool ok = r && (a[3] == "inactive" ? !r->active : r->active && r->window == window);
            if (!ok)
                return Fail("rule \"" + std::to_string(k) + "\" is " +
                            (!r ? std::string("not loaded")
                                : !r->active ? std::string("inactive")
                                             : "active for window " + std::to_string((unsigned long)(uintptr_t)r->window)));
        }
        return Done();
    }
    if (a[0] == "list") {
        // the list's values, exactly and in order
        std::vector<std::string> expected(a.begin() + 2, a.end());
        for (const qmsim::GrammarState& g : s.grammars)
            for (const qmsim::ListState& l : g.lists)
                if (l.name == a[1] && l.words == expected)
                    return Done();
        return Fail("no loaded grammar has a list \"" + a[1] + "\" with exactly those values");
    }
    const qmsim::RuleState* found = nullptr;
    for (const qmsim::GrammarState& g : s.grammars)
        for (const qmsim::RuleState& r : g.rules)
            if (r.name == a[1])
                found = &r;
    if (!found)
        return Fail("no loaded grammar has a rule \"" + a[1] + "\"");
    if (a[0] == "inactive")
        return found->active ? Fail("rule \"" + a[1] + "\" is active") : Done();
    if (a[0] != "active")
        return Fail("unknown engine expectation \"" + a[0] + "\"");
    if (!found->active)
        return Fail("rule \"" + a[1] + "\" is not active");
    if (a.size() > 2 && (a[2] == "global") != (found->window == nullptr))
        return Fail("rule \"" + a[1] + "\" is " + (found->window ? "bound to a window" : "global"));
    return Done();
}

StepOutcome ScriptRunner::WindowExpectation(const ScriptCommand& c) {
    // window-rect TITLE | expect-window TITLE visible|hidden|top-left|bottom-left|top-right|bottom-right|at X Y
    const std::vector<std::string>& a = c.args;
    if (a.empty() || (c.name == "expect-window" && a.size() < 2))
        return Fail("usage: window-rect TITLE, expect-window TITLE visible|hidden|top-left|...|at X Y");
    HWND window = FindTopLevel(qmsim::Widen(a[0]), true, false);
    if (!window)
        return Fail("no window \"" + a[0] + "\"");
    RECT rect = {};
    GetWindowRect(window, &rect);
    RECT work = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, 1200, 800};
    long width = work.right - work.left, height = work.bottom - work.top;
    long w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (c.name == "window-rect") {
        char line[192];
        snprintf(line, sizeof line, "window \"%s\": %ld,%ld %ldx%ld %s, work area %ldx%ld", a[0].c_str(), rect.left,
                 rect.top, w, h, IsWindowVisible(window) ? "visible" : "hidden", width, height);
        engine_.Record(line);
        return Done();
    }
    const std::string what = a[1], title = a[0];
    if (what == "visible" || what == "hidden") {
        bool visible = what == "visible";
        return Expect(2000, [window, visible] { return (IsWindowVisible(window) != 0) == visible; }, [title, window] {
            RECT now = {};
            GetWindowRect(window, &now);
            char line[192];
            snprintf(line, sizeof line, "window \"%s\": %ld,%ld %ldx%ld %s", title.c_str(), now.left, now.top,
                     now.right - now.left, now.bottom - now.top, IsWindowVisible(window) ? "visible" : "hidden");
            return std::string(line);
        });
    }
    long x = 0, y = 0;
    if (what == "top-left") {
    } else if (what == "bottom-left") {
        y = height - h;
    } else if (what == "top-right") {
        x = width - w;
    } else if (what == "bottom-right") {
        x = width - w;
        y = height - h;
    } else if (!(what == "at" && a.size() == 4 && ParseNumber(a[2], x) && ParseNumber(a[3], y))) {
        return Fail("unknown window expectation \"" + what + "\"");
    }
    return Expect(2000,
                  [window, x, y] {
                      RECT now = {};
                      GetWindowRect(window, &now);
                      return now.left == x && now.top == y;
                  },
                  [window, title, x, y] {
                      RECT now = {};
                      GetWindowRect(window, &now);
                      char line[192];
                      snprintf(line, sizeof line, "window \"%s\" at %ld,%ld, expected %ld,%ld", title.c_str(),
                               now.left, now.top, x, y);
                      return std::string(line);
                  });
}

} // namespace qmhost
