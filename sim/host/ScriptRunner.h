// Runs a natspeak.exe script from the host's message loop, one command per posted
// message, and decides the exit code (0 all expectations met, 1 otherwise).
#pragma once

#include "BoxWatcher.h"
#include "HostWindows.h"
#include "ModuleLoader.h"
#include "ModuleLog.h"
#include "ScriptParser.h"
#include "SimEngine.h"

#include <string>
#include <vector>

namespace qmhost {

class ScriptRunner {
public:
    ScriptRunner(qmsim::Engine& engine, HostWindows& windows, ModuleLoader& loader, BoxWatcher& watcher)
        : engine_(engine), windows_(windows), loader_(loader), watcher_(watcher) {}
    ~ScriptRunner();

    void Start(std::vector<ScriptCommand> commands);
    bool Finished() const { return finished_; }
    int ExitCode() const { return failed_ ? 1 : 0; }
    void CloseOtherApp();

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    void Step();
    // Returns false with message set when the command fails.
    bool Execute(const ScriptCommand& command, std::string& message);
    void Finish(bool failed);

    bool Foreground(const std::string& which, std::string& message);
    bool BringToForeground(HWND target, const std::string& which, std::string& message);
    // host, dragonpad, font, other or the exact title of a top-level window; null if none.
    HWND NamedWindow(const std::string& which);
    bool StartOtherApp(std::string& message);
    bool DialogCommand(const ScriptCommand& command, std::string& message);
    bool Inject(const ScriptCommand& command, std::string& message);
    bool EngineExpectation(const ScriptCommand& command, std::string& message);
    bool WindowExpectation(const ScriptCommand& command, std::string& message);

    qmsim::Engine& engine_;
    HostWindows& windows_;
    ModuleLoader& loader_;
    BoxWatcher& watcher_;
    LogHistory history_;
    std::vector<ScriptCommand> commands_;
    size_t next_ = 0;
    HWND window_ = nullptr;
    bool finished_ = false;
    bool failed_ = false;
    PROCESS_INFORMATION otherApp_ = {};
};

} // namespace qmhost
