// The per-profile controller: the recogniser interfaces, the grammar lists, the compiler,
// the hidden ControllerWindow and the test-driver window. Every operation runs on the thread
// that called Register (Dragon's thread), which also owns the ControllerWindow.
//
// It is made of parts, each with the narrow view of the others it needs: the grammar
// objects' owner (grammar/GrammarOwner), the command grammars with their scripts
// (commands/CommandHost) and the built-in commands (BuiltinCommands); it adds the menu
// (MenuDispatch.cpp), the utterance begin (UtteranceBegin.cpp), the command editor and binary
// grammar files. The lifetime rule (grammar/ControllerLifetime): every entry on Dragon's
// thread comes in through EnterController, which holds the controller for the frame, and
// what can reach a nested message loop takes that hold as a const Busy&. CDgnAppSupport ends
// the controller with retire(), so a controller released by Dragon inside a nested message
// loop is deleted only when the outermost frame using it has returned. While it lives it
// keeps the module locked, so the library is not unloaded under such a frame.
#pragma once

#include "BuiltinCommands.h"
#include "PredefinedLists.h"
#include "../commands/CommandHost.h"
#include "../grammar/DragonInterfaces.h"

#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

class CGramObj;
class GramParser;
class TestDriverWindow;
class CDgnSRNotifySink;
class CDgnSSvcActionNotifySink;
class CookieReturn;

class ModuleController final : public ControllerLifetime {
public:
    ModuleController();
    ~ModuleController() override;
    ModuleController(const ModuleController&) = delete;
    ModuleController& operator=(const ModuleController&) = delete;

    // The parts: the grammar objects and their lists, the command grammars, the built-in ones.
    GrammarOwner grammarOwner{*this, [this](CGramObj& grammar, GrammarKind kind, DWORD option1, DWORD option2,
                                            Microsoft::WRL::ComPtr<GrammarSink>& sink) {
                                  return createGrammarSink(grammar, kind, option1, option2, sink);
                              }};
    CommandHost commands{*this, grammarOwner};
    BuiltinCommands builtins{grammarOwner};

    // site may be null: then Dragon's site is created as a local server.
    bool connectDragon(IServiceProvider* site, const Busy& busy, DWORD reserved = 0);
    // Safe on a controller that is not, or only partly, connected. From its start nothing is
    // loaded or activated any more (shuttingDown), open command editors and the Open dialog
    // are cancelled and script waits end as failed; a disconnect asked for inside it (from a
    // box of its own) returns at once and leaves the work to the one under way.
    bool disconnectDragon(const Busy& busy);

    // Called by the event hub on Dragon's thread.
    void dispatchMenuCommand(WPARAM command, const Busy& busy);
    void onUtteranceBegin(DWORD cookieLow, DWORD cookieHigh, const Busy& busy);

    HWND dialogWindow() const;

    // The command editor (CommandEditor.cpp), modal on this thread, and the custom command
    // it adds from the grammar text and the editor's scope and script controls: 1 = added,
    // 0 = failed.
    void openCommandEditor(const Busy& busy);
    int addCustomCommand(HWND dialog, std::string text, const Busy& busy);

    // "Load From Binary" (BinaryGrammarFile.cpp): a binary grammar file chosen in the Open
    // dialog, loaded as one more command grammar with its rule "1" active globally.
    void loadFromBinary(const Busy& busy);

    // Dragon's interfaces, held from connect to disconnect.
    Microsoft::WRL::ComPtr<IDgnSREngineControl> engineControl;
    Microsoft::WRL::ComPtr<IDgnSpeechServices> speechServices;
    Microsoft::WRL::ComPtr<IServiceProvider> site;
    Microsoft::WRL::ComPtr<IDgnWindowModule> windowModule;
    Microsoft::WRL::ComPtr<IUnknown> engineExtra;
    DWORD engineSinkKey = 0;
    std::unique_ptr<TestDriverWindow> testDriver;
    // The predefined word lists, from builtinListText at every connect: name first, then the
    // values. The command editor reads them.
    PredefinedLists predefinedLists;
    std::string installedVersion;
    std::string latestVersion;

    // The two sinks Dragon holds, kept so that disconnect can cut them off from this
    // controller: Dragon may still call them after the controller is gone.
    Microsoft::WRL::ComPtr<CDgnSRNotifySink> engineSink;
    Microsoft::WRL::ComPtr<CDgnSSvcActionNotifySink> actionSink;

private:
    bool m_disconnecting = false;

    // A CSRGramNotifySink for a command grammar, a CSRBuiltinGramNotifySink for a built-in one.
    HRESULT createGrammarSink(CGramObj& grammar, GrammarKind kind, DWORD option1, DWORD option2,
                              Microsoft::WRL::ComPtr<GrammarSink>& sink);
    // onUtteranceBegin's steps before the cookie goes back.
    void readForegroundWindow(CookieReturn& cookie, const Busy& busy);
    bool acquireInterfaces();
    void registerSinks();
    bool loadBuiltins();
    void releaseInterfaces();
    void unregisterEngineSink();
    void closeTestDriver();
    void destroyControllerWindow();
    void cancelModalDialogs();
};
