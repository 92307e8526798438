// The per-profile controller: the recogniser interfaces, the grammar lists, the compiler,
// the hidden ControllerWindow and the test-driver window. Every operation runs on the thread
// that called Register (Dragon's thread), which also owns the ControllerWindow.
#pragma once

#include "AwaitedMessage.h"
#include "../grammar/DragonInterfaces.h"

#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

class CGramObj;
class GramParser;
class TestDriverWindow;
class CDgnAppSupport;
class CDgnSRNotifySink;
class CDgnSSvcActionNotifySink;
class CookieReturn;

// A custom command's DVC script, keyed by the command's number.
struct CommandScript {
    int number;
    std::string script;
};

class ModuleController {
public:
    ModuleController();
    ~ModuleController();
    ModuleController(const ModuleController&) = delete;
    ModuleController& operator=(const ModuleController&) = delete;

    // site may be null: then Dragon's site is created as a local server.
    bool connectDragon(IServiceProvider* site, DWORD reserved = 0);
    // Safe on a controller that is not, or only partly, connected.
    bool disconnectDragon();
    void releaseAll();
    void refreshStatistics();

    void linkGrammar(CGramObj* grammar);
    void unlinkGrammar(CGramObj* grammar);
    void linkBuiltinGrammar(CGramObj* grammar);
    void unlinkBuiltinGrammar(CGramObj* grammar);

    // The message log; nothing is written without a test-driver window.
    void log(const char* text, int highlight = 0);
    // printf-style into a 256-byte buffer; longer texts are cut.
    void logFormat(const char* format, ...);

    // Built-in commands.
    void showBuiltins();
    void hideBuiltins();
    void placeWindow(int corner);
    void setBuiltinRuleState(bool shown);

    // Called by the event hub on Dragon's thread.
    void dispatchMenuCommand(WPARAM command);
    void onUtteranceBegin(DWORD cookieLow, DWORD cookieHigh);

    // Test command sets: load replaces the loaded set; the activation of the app- and
    // window-specific commands follows the foreground window at every utterance begin.
    void loadTestCommands(int count);
    void updateWindowActivation(std::string moduleName, std::string title, HWND window);

    // Where a recognised custom command's DVC script goes to be run, with its values (null,
    // or the values followed by a null pointer); a failed run is shown in a box.
    void handOverScript(const std::string& script, const char* const* values);

    // Checks a DVC script through Dragon's interpreter and, unless checkOnly, runs it with
    // values (null, or strings ended by a null pointer), holding this thread in a message
    // loop until the script has ended. name is shown in the compile-error box (null:
    // "execScript"). 1 = success, 0 = compile error, refused run or script error.
    int execScript(const char* scriptText, const char* const* values, const char* name, bool checkOnly);
    // Dispatches this thread's messages until message with wParam has been seen; returns its
    // lParam, or 0 when the quit message comes first (it is posted again for the loops
    // around this one).
    LPARAM waitForMessage(UINT message, WPARAM wParam);
    // A WM_SCRIPT_DONE that reached the ControllerWindow: noted for its wait, or freed.
    void noteScriptEnd(WPARAM cookie, LPARAM ending);
    // Ends every pending script wait as failed: no script end can arrive any more.
    void abandonScriptWaits();

    // The command editor (modal, on this thread) and the custom command it adds from the
    // grammar text and the editor's scope and script controls: 1 = added, 0 = failed.
    void openCommandEditor();
    int addCustomCommand(HWND dialog, std::string text);

    // "Load From Binary": a binary grammar file chosen in the Open dialog, loaded as one
    // more command grammar with its rule "1" active globally.
    void loadFromBinary();

    // Changes with every link and unlink of a command grammar. A walk over grammars that
    // calls out (a box's message loop may run "Release All Commands") stops when it changed.
    unsigned grammarListGeneration() const { return m_grammarListGeneration; }

    HWND dialogWindow() const;

    // The statistics and "Utterance Begin" boxes of the test-driver dialog. A box is only
    // written when its text changes: each write waits for the dialog's thread, and these
    // run while the engine holds an utterance.
    void showBoxText(int box, const std::wstring& text);
    void showBoxNumber(int box, int value, bool isSigned);

    unsigned long long startTicks = 0;
    unsigned long long endTicks = 0;
    ISRCentralW* central = nullptr;
    IDgnSREngineControl* engineControl = nullptr;
    IDgnSpeechServices* speechServices = nullptr;
    IServiceProvider* site = nullptr;
    IDgnWindowModule* windowModule = nullptr;
    IDgnSSvcInterpreter* m_pIDgnSSvcInterpreter = nullptr;
    IUnknown* engineExtra = nullptr;
    DWORD engineSinkKey = 0;
    HWND controllerWindow = nullptr;
    // Both lists own their grammar objects (allocated with new): releaseAll, disconnectDragon
    // and the destructor delete every grammar they release and unlink.
    CGramObj* grammars = nullptr;
    CGramObj* builtinGrammars = nullptr;
    TestDriverWindow* testDriver = nullptr;
    CDgnAppSupport* appSupport = nullptr;
    AwaitedMessage* awaitedMessages = nullptr;
    int releasedCount = 0;
    int appActiveCount = 0;
    int windowActiveCount = 0;
    std::string installedVersion;
    std::string latestVersion;
    GramParser* parser = nullptr;
    int loadedCount = 0;
    int globalActiveCount = 0;
    std::vector<CommandScript> scripts;

    // The two sinks Dragon holds, kept so that disconnect can cut them off from this
    // controller: Dragon may still call them after the controller is gone.
    Microsoft::WRL::ComPtr<CDgnSRNotifySink> engineSink;
    Microsoft::WRL::ComPtr<CDgnSSvcActionNotifySink> actionSink;

private:
    unsigned m_grammarListGeneration = 0;
    HWND m_boxesDialog = nullptr;             // the dialog whose boxes m_boxTexts describes
    std::map<int, std::wstring> m_boxTexts;   // what each box was last set to

    // onUtteranceBegin's steps before the cookie goes back.
    void readForegroundWindow(CookieReturn& cookie);
    bool acquireInterfaces();
    void registerSinks();
    bool createControllerWindow();
    bool loadBuiltins();
    void releaseInterfaces();
    void detachSinks();
    void deleteUnlinkedGrammar(CGramObj* grammar);
};
