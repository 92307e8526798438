// The controller's command grammars: test command sets, custom commands and their DVC
// scripts, the result handling of a recognised command, the counts and timing shown in the
// log and the statistics boxes. Its grammar objects belong to the controller's GrammarOwner.
#pragma once

#include "DriverTextBoxes.h"
#include "ScriptRunner.h"
#include "../grammar/GrammarOwner.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class GramParser;

// A custom command's DVC script, keyed by the command's number.
struct CommandScript {
    int number;
    std::string script;
};

class CommandHost {
public:
    using Busy = ControllerLifetime::Busy;

private:
    ControllerLifetime& m_lifetime;
    GrammarOwner& m_owner;

public:
    CommandHost(ControllerLifetime& lifetime, GrammarOwner& owner);
    ~CommandHost();
    CommandHost(const CommandHost&) = delete;
    CommandHost& operator=(const CommandHost&) = delete;

    // The controller's lifetime, which the command sinks enter through the gate.
    ControllerLifetime& lifetime() { return m_lifetime; }

    // The message log.
    void log(const char* text, int highlight = 0) { m_owner.log(text, highlight); }

    // The grammar compiler while connected, else null. It is made by the first connect and
    // lives as long as the controller, so a compilation on the stack below a disconnect (in a
    // box of its own) goes on with it: callers keep the pointer for the call.
    GramParser* compiler() const { return m_compilerConnected ? m_compiler.get() : nullptr; }
    // Connects the compiler (made if need be) or disconnects it.
    void connectCompiler(bool connected);

    // True, after a log line, while a compilation is running: its box's message loop may ask
    // for another, which is refused rather than made to wait (it cannot wait on this thread).
    bool compilerBusy();

    // A new command grammar loaded from a binary grammar, in grammars, counted in loadedCount
    // and numbered: it took the number nextCommandNumber had before the call, which keeps
    // the command grammars numbered 1 ... loadedCount in load order whatever loaded them.
    // Null when the recogniser refused it.
    CGramObj* loadCommandGrammar(const std::vector<unsigned char>& binary, const Busy& busy);

    // Releases every command grammar (Tools - Release All Commands).
    void releaseAll(const Busy& busy);
    // The activation statistics boxes of the test-driver window.
    void refreshStatistics();
    // The statistics and "Utterance Begin" boxes of the test-driver dialog (DriverTextBoxes: a
    // box is only written when its text changes, and not while the engine holds an utterance).
    void showBoxText(int box, const std::wstring& text);
    void showBoxNumber(int box, int value, bool isSigned);
    DriverTextBoxes& textBoxes() { return m_boxes; }

    // Test command sets: load replaces the loaded set; the activation of the app- and
    // window-specific commands follows the foreground window at every utterance begin.
    void loadTestCommands(int count, const Busy& busy);
    void updateWindowActivation(std::string moduleName, std::string title, HWND window, const Busy& busy);

    // Where a recognised custom command's DVC script goes to be run, with its values (null,
    // or the values followed by a null pointer); a failed run is shown in a box.
    void handOverScript(const std::string& script, const char* const* values, const Busy& busy);

    // The result handling of a command grammar: the phrase's timing and words, its script,
    // the best path with the list and dictation values it carries.
    void onPhraseFinish(CGramObj& grammar, DWORD flags, PSRPHRASEW phrase, IUnknown* results,
                        const Busy& busy);

    // The counts and timing the log and the statistics boxes show.
    int loadedCount() const { return m_loadedCount; }
    int releasedCount() const { return m_releasedCount; }
    int globalActiveCount() const { return m_globalActiveCount; }
    int appActiveCount() const { return m_appActiveCount; }
    int windowActiveCount() const { return m_windowActiveCount; }
    // Number of the next command grammar; releaseAll sets it back to 1.
    int nextCommandNumber() const { return m_nextCommandNumber; }
    unsigned long long startTicks() const { return m_startTicks; }
    unsigned long long endTicks() const { return m_endTicks; }
    // A phrase began: its result's timing starts now.
    void notePhraseStart() { m_startTicks = GetTickCount64(); }
    // A command grammar loaded outside a test set (a custom command, a binary grammar file)
    // was activated globally.
    void countGlobalActivation() { ++m_globalActiveCount; }

    // The window that script ends and playbacks are posted to: the controller's event hub.
    HWND controllerWindow() const { return m_controllerWindow; }
    void setControllerWindow(HWND window) { m_controllerWindow = window; }

    // The custom commands' DVC scripts, by command number, and where they run.
    const std::vector<CommandScript>& scripts() const { return m_scripts; }
    void addScript(int number, std::string script) { m_scripts.push_back({number, std::move(script)}); }
    ScriptRunner& scriptRunner() { return m_scriptRunner; }

private:
    // The last walk of updateWindowActivation that left every specific command as it wants
    // it (each of its calls succeeded): the same walk again, with nothing changed since,
    // would call nothing and count the same, and is left out.
    struct SettledWalk {
        bool valid = false;
        std::string moduleName;
        std::string title;
        HWND window = nullptr;
        int loadedCount = 0;
        unsigned ruleStateChanges = 0;
        int appActiveCount = 0;
        int windowActiveCount = 0;
    };
    SettledWalk m_settledWalk;
    std::unique_ptr<GramParser> m_compiler;
    bool m_compilerConnected = false;
    DriverTextBoxes m_boxes;
    ScriptRunner m_scriptRunner{m_owner.driverOutput()};
    unsigned long long m_startTicks = 0;
    unsigned long long m_endTicks = 0;
    HWND m_controllerWindow = nullptr;
    int m_loadedCount = 0;
    int m_nextCommandNumber = 1;
    int m_releasedCount = 0;
    int m_globalActiveCount = 0;
    int m_appActiveCount = 0;
    int m_windowActiveCount = 0;
    std::vector<CommandScript> m_scripts;

    // Tests set counts that no box shows, to see that nothing writes them.
    friend struct CommandHostProbe;

    bool repeatsSettledWalk(const std::string& moduleName, const std::string& title, HWND window) const;
};
