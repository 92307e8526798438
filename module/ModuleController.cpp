#include "ModuleController.h"

#include "CDgnSRNotifySink.h"
#include "CommandEditor.h"
#include "ControllerWindow.h"
#include "../common/MessageBoxes.h"
#include "../common/ModuleLock.h"
#include "PredefinedLists.h"
#include "CSRBuiltinGramNotifySink.h"
#include "../commands/CDgnSSvcActionNotifySink.h"
#include "../commands/CSRGramNotifySink.h"
#include "../compiler/GramParser.h"
#include "../grammar/CGramObj.h"
#include "../ui/TestDriverWindow.h"
#include "../ui/resource.h"

#include <cstdio>
#include <cwchar>
#include <memory>

using Microsoft::WRL::ComPtr;

namespace {

const char kWelcomeText[] =
    ">> Start by loading various amounts of commands from the file menu.\n"
    "The following activation rates will be used:\n"
    "- Global Commands: 50 %\n"
    "- App-Specific for DragonPad: 25 %\n"
    "- Window-Specific for DragonPad, Font Dialog: 25 %\n"
    ">> To terminate Quillmoor any time, go to \"Tools - Shut Down\".\n\n"
    "*** NEW ***\n"
    ">> Go to \"File - Add Custom Commands\", read the notes, and follow the messages.\n";

// Cuts a sink off from the controller and lets go of it: Dragon may call it later.
template <class Sink>
void detachSink(Microsoft::WRL::ComPtr<Sink>& sink)
{
    if (sink) {
        sink->detach();
        sink.Reset();
    }
}

} // namespace

ModuleController::ModuleController()
{
    ModuleLockIncrement();
}

ModuleController::~ModuleController()
{
    // No disconnect here (no log lines, no boxes), but nothing that outlives the controller
    // may point back into it.
    detachSink(engineSink);
    detachSink(actionSink);
    grammarOwner.releaseBuiltinGrammars();
    grammarOwner.releaseCommandGrammars(nullptr);
    unregisterEngineSink();
    releaseInterfaces();
    commands.connectCompiler(false);
    closeTestDriver();
    destroyControllerWindow();
    ModuleLockDecrement();
}

HWND ModuleController::dialogWindow() const
{
    return grammarOwner.driverOutput().currentDialog();
}

HRESULT ModuleController::createGrammarSink(CGramObj& grammar, GrammarKind kind, DWORD option1, DWORD option2,
                                            ComPtr<GrammarSink>& sink)
{
    if (kind == GrammarKind::Builtin) {
        ComPtr<CSRBuiltinGramNotifySink> builtin;
        HRESULT hr = CSRBuiltinGramNotifySink::Create(&grammar, this, builtin.GetAddressOf());
        sink = builtin;
        return hr;
    }
    ComPtr<CSRGramNotifySink> command;
    HRESULT hr = CSRGramNotifySink::Create(&grammar, &commands, option1, option2, command.GetAddressOf());
    sink = command;
    return hr;
}

bool ModuleController::acquireInterfaces()
{
    ComPtr<ISRCentralW> central;
    site->QueryService(SID_DgnCentral, IID_ISRCentralW, reinterpret_cast<void**>(central.GetAddressOf()));
    grammarOwner.setCentral(central);
    if (!central)
        return false;
    central->QueryInterface(IID_IDgnSREngineControl, reinterpret_cast<void**>(engineControl.ReleaseAndGetAddressOf()));

    ComPtr<IUnknown> services;
    site->QueryService(SID_DgnSpeechServices, IID_IDgnSpeechServicesObject,
                       reinterpret_cast<void**>(services.GetAddressOf()));
    if (!services)
        return false;
    services->QueryInterface(IID_IDgnSpeechServices, reinterpret_cast<void**>(speechServices.ReleaseAndGetAddressOf()));
    if (!speechServices)
        return false;
    ComPtr<IDgnSSvcInterpreter> interpreter;
    speechServices->QueryInterface(IID_IDgnSSvcInterpreter, reinterpret_cast<void**>(interpreter.GetAddressOf()));
    commands.scriptRunner().setInterpreter(interpreter);
    site->QueryService(SID_DgnWindowModule, IID_IDgnWindowModule,
                       reinterpret_cast<void**>(windowModule.ReleaseAndGetAddressOf()));
    return true;
}

void ModuleController::registerSinks()
{
    ComPtr<CDgnSRNotifySink> sink;
    if (SUCCEEDED(CDgnSRNotifySink::Create(sink.ReleaseAndGetAddressOf()))) {
        ComPtr<IDgnSREngineNotifySinkW> sinkInterface;
        sink->QueryInterface(IID_IDgnSREngineNotifySinkW, reinterpret_cast<void**>(sinkInterface.GetAddressOf()));
        sink->setController(this);
        engineSink = sink;
        grammarOwner.central()->Register(sinkInterface.Get(), IID_IDgnSREngineNotifySinkW, &engineSinkKey);
    }
}

bool ModuleController::connectDragon(IServiceProvider* newSite, const Busy& busy, DWORD)
{
    if (grammarOwner.central())
        disconnectDragon(busy);
    if (m_disconnecting)
        return false; // asked for inside a box of the disconnect, which goes on afterwards
    grammarOwner.setShuttingDown(false);

    if (newSite) {
        // A window left by a connection that failed half-way goes before the new one comes.
        closeTestDriver();
        testDriver.reset(new TestDriverWindow());
        grammarOwner.driverOutput().attach(testDriver.get());
        site = newSite;
    } else {
        site.Reset();
        HRESULT hr = CO_E_SERVER_STOPPING;
        for (int attempt = 0; attempt < 5 && hr == CO_E_SERVER_STOPPING; ++attempt)
            hr = CoCreateInstance(CLSID_DgnSite, nullptr, CLSCTX_LOCAL_SERVER, IID_IServiceProvider,
                                  reinterpret_cast<void**>(site.ReleaseAndGetAddressOf()));
    }
    if (!site)
        return false;

    grammarOwner.setCentral(nullptr);
    if (!acquireInterfaces())
        return false;

    registerSinks();

    ComPtr<CDgnSSvcActionNotifySink> sink;
    if (SUCCEEDED(CDgnSSvcActionNotifySink::Create(sink.ReleaseAndGetAddressOf()))) {
        ComPtr<IDgnSSvcActionNotifySink> sinkInterface;
        sink->QueryInterface(IID_IDgnSSvcActionNotifySink, reinterpret_cast<void**>(sinkInterface.GetAddressOf()));
        sink->setController(&commands);
        actionSink = sink;
        speechServices->Register(sinkInterface.Get());
        if (!commands.scriptRunner().interpreter())
            return false;
        commands.scriptRunner().interpreter()->Register(sinkInterface.Get());
    } else if (!commands.scriptRunner().interpreter()) {
        return false;
    }

    grammarOwner.central()->QueryInterface(IID_IDgnEngineExtra,
                                           reinterpret_cast<void**>(engineExtra.ReleaseAndGetAddressOf()));

    commands.setControllerWindow(CreateControllerWindow());
    if (!commands.controllerWindow())
        return false;
    AttachControllerWindow(commands.controllerWindow(), this);
    if (testDriver)
        testDriver->controllerWindow = commands.controllerWindow();

    grammarOwner.log(">> Connected to Dragon successfuly, loading built-in commands ...\n");
    bool loaded = loadBuiltins();
    builtins.setRuleState(true, busy);
    if (HWND dialog = dialogWindow())
        ShowWindow(dialog, SW_SHOW);
    grammarOwner.log(loaded ? "... compiling and loading built-in commands done.\n"
                            : "... compiling or loading built-in commands failed!\n");
    grammarOwner.log(kWelcomeText);

    predefinedLists = ParsePredefinedLists(builtinListText);
    commands.refreshStatistics();
    return true;
}

bool ModuleController::loadBuiltins()
{
    commands.connectCompiler(true);
    return builtins.load(*commands.compiler());
}

void ModuleController::releaseInterfaces()
{
    // One by one, in the order Dragon has always seen them go; the recogniser, whose
    // grammars and sinks the others serve, last.
    engineControl.Reset();
    speechServices.Reset();
    windowModule.Reset();
    site.Reset();
    commands.scriptRunner().setInterpreter(nullptr);
    engineExtra.Reset();
    grammarOwner.setCentral(nullptr);
}

// Utterances that began before the sink went are still waiting for their cookies: the
// event hub's pending ones go back.
void ModuleController::unregisterEngineSink()
{
    if (engineSinkKey) {
        if (grammarOwner.central())
            grammarOwner.central()->UnRegister(engineSinkKey);
        engineSinkKey = 0;
    }
    detachSink(engineSink);
    DrainControllerWindow(commands.controllerWindow(), engineControl.Get());
}

void ModuleController::closeTestDriver()
{
    if (testDriver) {
        grammarOwner.driverOutput().attach(nullptr);
        testDriver->stop();
        testDriver.reset();
    }
}

void ModuleController::destroyControllerWindow()
{
    if (commands.controllerWindow()) {
        // What is still queued for it reaches no controller any more: records are freed.
        AttachControllerWindow(commands.controllerWindow(), nullptr);
        DrainControllerWindow(commands.controllerWindow(), nullptr);
        DestroyWindow(commands.controllerWindow());
        commands.setControllerWindow(nullptr);
    }
}

bool ModuleController::disconnectDragon(const Busy& busy)
{
    if (m_disconnecting)
        return true;
    m_disconnecting = true;
    grammarOwner.setShuttingDown(true);
    cancelModalDialogs();
    grammarOwner.log("\n>> Getting ready to disconnect from Dragon ...\n");
    grammarOwner.releaseBuiltinGrammars();
    grammarOwner.log(">> Built-in commands released, looking for commands created during the session ...\n");

    commands.connectCompiler(false);
    unregisterEngineSink();

    if (commands.loadedCount() > 0) {
        commands.releaseAll(busy);
        MessageBeep(MB_ICONHAND);
        char text[256];
        snprintf(text, sizeof(text),
                 "Done releasing %i commands in %llu ms.\r\n\r\nThere are no more object references into Dragon left "
                 "behind.\r\n\r\nDragon should shut down properly now.",
                 commands.releasedCount(), commands.endTicks() - commands.startTicks());
        ShowMessageBoxA(GetForegroundWindow(), text, "Ready to Terminate Now", MB_OK);
    }

    detachSink(actionSink);
    commands.scriptRunner().abandonScriptWaits();
    releaseInterfaces();
    closeTestDriver();
    destroyControllerWindow();
    m_disconnecting = false;
    return true;
}

namespace {

// A command editor, or a dialog the controller window owns (the Open dialog), is told to
// close as its Close or Cancel button would; it does so once its loop runs again.
BOOL CALLBACK CancelModalDialog(HWND window, LPARAM controllerWindow)
{
    wchar_t className[16] = {};
    if (!GetClassNameW(window, className, 16) || wcscmp(className, L"#32770") != 0)
        return TRUE;
    const bool editor = GetWindowLongPtrW(window, DWLP_DLGPROC) == reinterpret_cast<LONG_PTR>(&CommandEditorProc);
    const bool owned = controllerWindow && GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(controllerWindow);
    if (editor || owned)
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

} // namespace

void ModuleController::cancelModalDialogs()
{
    EnumThreadWindows(GetCurrentThreadId(), CancelModalDialog, reinterpret_cast<LPARAM>(commands.controllerWindow()));
}
