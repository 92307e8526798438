// Runs a natspeak.exe script and decides the exit code (0 all expectations met, 1 otherwise).
//
// The steps are driven by a timer of the host's thread, one step a tick, and no step ever
// runs a message loop of its own: a step that waits hands the runner a condition and a
// time limit, and the runner looks at it again at every tick. Every message loop on the
// thread dispatches the timer - the main loop, and equally the modal loop of a dialog, a
// message box, a common dialog or a menu that the module opened - so the script goes on
// whichever loop is running, and the next step can act on a dialog that the last one
// opened. A timer message comes only when the queue holds nothing else, so everything
// the last step posted has been handled before the next one starts, and a modal dialog
// (shown by its loop once the queue is empty) gets shown.
//
// An on-box trigger runs its command inside the message box it was armed for: the box
// watcher holds the box instead of answering it, and the runner starts a frame of its
// own for it on top of the script (steps may be under way below it: the box's loop runs
// inside them). The frame's command takes its waits as a script step does; once it is
// done and the thread has stayed quiet for a while (no other box open, the queue empty
// at every tick), the box is answered and the frame ends. Ticks go to the topmost frame
// only, as the topmost box's loop is the one running.
#pragma once

#include "BoxWatcher.h"
#include "HostWindows.h"
#include "ModuleLoader.h"
#include "ModuleLog.h"
#include "ScriptParser.h"
#include "SimEngine.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qmhost {

// What a step did: done, failed with a message, or waiting. A waiting step is looked at
// at every tick: once ready() holds it goes on with then() (done when there is none);
// when the time is up, with expired() (a failure when there is none).
struct StepOutcome {
    enum class Kind { Done, Failed, Waiting };
    Kind kind = Kind::Done;
    std::string message;
    DWORD milliseconds = 0;
    std::function<bool()> ready;            // null: wait out the time
    std::function<StepOutcome()> then;
    std::function<StepOutcome()> expired;
};

class ScriptRunner {
public:
    ScriptRunner(qmsim::Engine& engine, HostWindows& windows, ModuleLoader& loader, BoxWatcher& watcher)
        : engine_(engine), windows_(windows), loader_(loader), watcher_(watcher) {}
    ~ScriptRunner();

    void Start(std::vector<ScriptCommand> commands);
    bool Finished() const { return finished_; }
    int ExitCode() const { return failed_ ? 1 : 0; }
    // Runs no more steps; disarms the triggers and answers the boxes held for them.
    void Stop();
    void CloseOtherApp();

private:
    // The script itself (no box), or the command of a trigger inside its held box.
    struct Frame {
        HWND box = nullptr;
        std::shared_ptr<const ScriptCommand> command; // a trigger's
        bool started = false;
        bool busy = false;        // its step is on the stack (and called into a loop)
        int line = 0;             // line of the step under way
        std::unique_ptr<StepOutcome> waiting; // the step under way, when it waits
        ULONGLONG deadline = 0;
        ULONGLONG quietSince = 0; // a trigger's command done: quiet since then (0: not yet)
    };

    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    void Tick();
    void StepScript(Frame& frame);
    // Returns true once the trigger's command is done and everything it set off is over.
    bool StepTrigger(Frame& frame);
    void Run(Frame& frame, const ScriptCommand& command);
    // Goes on with the frame's waiting step when its condition holds or its time is up.
    void Resume(Frame& frame);
    // Takes a step's outcome: a condition that holds already goes on at once.
    void Settle(Frame& frame, StepOutcome outcome);
    void Finish(bool failed);
    // A frame for every box the watcher has held for a trigger since the last tick.
    void AdoptHeldBoxes();
    std::set<HWND> HeldBoxes() const;

    StepOutcome Execute(const ScriptCommand& command);
    StepOutcome Foreground(const std::string& which);
    StepOutcome BringToForeground(HWND target, const std::string& which);
    // host, dragonpad, font, other or the exact title of a top-level window; null if none.
    HWND NamedWindow(const std::string& which);
    StepOutcome StartOtherApp();
    StepOutcome LogCommand(const ScriptCommand& command);
    StepOutcome BoxCommand(const ScriptCommand& command);
    StepOutcome ArmTrigger(const ScriptCommand& command);
    StepOutcome DialogCommand(const ScriptCommand& command);
    StepOutcome DialogOperation(const ScriptCommand& command, HWND dialog, HWND control);
    StepOutcome FileDialog(const ScriptCommand& command);
    StepOutcome Inject(const ScriptCommand& command);
    StepOutcome EngineExpectation(const ScriptCommand& command);
    StepOutcome WindowExpectation(const ScriptCommand& command);
    StepOutcome TranscriptCommand(const ScriptCommand& command);
    size_t BoxesSeen(const std::string& caption, const std::string& text) const;

    qmsim::Engine& engine_;
    HostWindows& windows_;
    ModuleLoader& loader_;
    BoxWatcher& watcher_;
    LogHistory history_;
    std::vector<ScriptCommand> commands_;
    size_t next_ = 0;
    std::vector<std::unique_ptr<Frame>> frames_; // [0] the script, then held boxes, innermost last
    std::map<int, std::shared_ptr<const ScriptCommand>> armed_; // trigger token -> command
    int lastToken_ = 0;
    HWND window_ = nullptr;
    bool finished_ = false;
    bool failed_ = false;
    PROCESS_INFORMATION otherApp_ = {};
};

} // namespace qmhost
