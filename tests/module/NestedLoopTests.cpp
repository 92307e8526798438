// Every message box and modal loop the module runs on Dragon's thread, crossed with every
// event that can be dispatched inside it: the menu's commands, an utterance, and Dragon's
// UnRegister with its final release. Each cell starts from a module registered as Dragon
// registers it and ends with Dragon letting go; the program runs under the heap check.
#include "BoxRecorder.h"
#include "CDgnAppSupport.h"
#include "CommandEditor.h"
#include "DialogLog.h"
#include "GramParser.h"
#include "Hold.h"
#include "ModuleController.h"
#include "PredefinedLists.h"
#include "ModuleLock.h"
#include "SimEngine.h"
#include "../../commands/TestCommands.h"
#include "../../grammar/CGramObj.h"
#include "../support/PumpUntil.h"
#include "../../ui/resource.h"
#include "ConnectedModule.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <memory>
#include <set>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

class NestedLoopTest : public testing::Test {
public:
    struct Event {
        const char* name;
        void (*run)(NestedLoopTest&);
    };
    struct Place {
        const char* name;
        const wchar_t* caption; // the box the event runs inside; null: a modal loop
        const wchar_t* text;    // a part of the box's text
        void (*open)(NestedLoopTest&);
    };

    // A module registered as Dragon registers it, with test commands loaded.
    void Start()
    {
        s_current = this;
        engine.reset(new qmsim::Engine());
        engine->Options().windowModulePath = L"C:\\Program Files\\Nuance\\NaturallySpeaking15\\Program\\natspeak.exe";
        ASSERT_EQ(S_OK, engine->CreateSite(site.ReleaseAndGetAddressOf()));
        baseline = ModuleLockCount();
        ASSERT_EQ(S_OK, CDgnAppSupport::CreateInstance(IID_IDgnAppSupportW,
                                                       reinterpret_cast<void**>(support.ReleaseAndGetAddressOf())));
        ASSERT_EQ(S_OK, support->Register(site.Get()));
        ASSERT_NE(nullptr, Controller());
        ASSERT_TRUE(WaitForDialogLog(Controller()->dialogWindow(), "\"Tools - Shut Down\""));
        Menu(ID_LOAD_100_COMMANDS);
        ASSERT_EQ(100, Controller()->commands.loadedCount());
        boxes.boxes.clear();
        boxes.answer = IDYES; // "Shut Down Quillmoor 2023 Testing?" is answered Yes
        ran = false;
    }

    // Dragon lets go; nothing of the module may be left in the engine or hold the library.
    void Finish(const std::string& cell)
    {
        closing = false;
        boxes.whileOpen = nullptr;
        Unregister(*this);
        PumpUntil([] { return false; }, 50);
        const qmsim::EngineSnapshot left = engine->Snapshot();
        EXPECT_TRUE(left.grammars.empty()) << cell << ": " << left.grammars.size() << " grammars left";
        EXPECT_TRUE(left.engineSinks.empty()) << cell;
        std::multiset<std::string> begun, resumed;
        for (const std::string& line : engine->Transcript()) {
            if (line.find("utterance begin cookie ") != std::string::npos)
                begun.insert(line.substr(line.find("0x"), 21));
            else if (line.find("resume cookie ") != std::string::npos)
                resumed.insert(line.substr(line.find("0x"), 21));
        }
        EXPECT_EQ(begun, resumed) << cell << ": every cookie goes back once";
        // A missing interface after a shutdown inside is no error of the module's.
        for (const RecordedBox& box : boxes.boxes)
            EXPECT_EQ(std::wstring::npos, box.text.find(L"0x80004003")) << cell << ": " << Narrow(box.text);
        engine->ReleaseSinks();
        engine.reset();
        site.Reset();
        EXPECT_EQ(baseline, ModuleLockCount()) << cell << ": the library cannot be unloaded";
        testCommandText = MakeTestCommandText;
        SetEnvironmentVariableW(L"QUILLMOOR_UPDATE_URL", nullptr);
    }

    // The controller of the module registered by Start, while the support object is held.
    static ModuleController* Controller()
    {
        return s_current && s_current->support ? static_cast<CDgnAppSupport*>(s_current->support.Get())->controller()
                                               : nullptr;
    }

    static void Menu(WORD id)
    {
        if (Controller() && Controller()->commands.controllerWindow())
            SendMessageW(Controller()->commands.controllerWindow(), WM_COMMAND, id, 0);
    }

    // Runs the cell's event once; from then on the dialogs it or the place opened are
    // cancelled as a person would, from whichever loop is dispatching.
    void RunEvent()
    {
        if (ran)
            return;
        ran = true;
        closing = true;
        CloseDialogsSoon();
        event->run(*this);
    }

    // The event of a modal loop comes from a timer, as the menu's posted commands reach it.
    void EventSoon()
    {
        later.post([this] { RunEvent(); }, 100);
    }

    void CloseDialogsSoon()
    {
        later.post([this] {
            if (!closing)
                return;
            EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
            CloseDialogsSoon();
        }, 50);
    }

    static BOOL CALLBACK CancelDialog(HWND window, LPARAM)
    {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (IsWindowVisible(window) && !wcscmp(className, L"#32770"))
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }

    static void Unregister(NestedLoopTest& t)
    {
        if (!t.support)
            return;
        t.support->UnRegister();
        t.support.Reset();
    }

    // A custom command's script on "Test 1", which is then said.
    static void SayTestOneWithScript(NestedLoopTest& t, const char* script)
    {
        Controller()->commands.addScript(1, script);
        t.engine->Say("Test 1");
    }

    void Run(const Place& place, const Event& cellEvent)
    {
        const std::string cell = std::string(place.name) + " x " + cellEvent.name;
        SCOPED_TRACE(cell);
        Start();
        if (HasFatalFailure())
            return;
        event = &cellEvent;
        if (place.caption) {
            boxes.whileOpen = [this, &place](const RecordedBox& box) {
                if (box.caption == place.caption && box.text.find(place.text) != std::wstring::npos)
                    RunEvent();
            };
        }
        place.open(*this);
        EXPECT_TRUE(ran) << cell << ": the place never opened; boxes:\n" << Describe(boxes.boxes);
        Finish(cell);
    }

    BoxRecorder boxes;
    LaterRunner later;
    std::unique_ptr<qmsim::Engine> engine;
    ComPtr<IServiceProvider> site;
    ComPtr<IDgnAppSupportW> support;
    static NestedLoopTest* s_current;
    LONG baseline = 0;
    const Event* event = nullptr;
    bool ran = false;
    bool closing = false;
};

NestedLoopTest* NestedLoopTest::s_current = nullptr;

const NestedLoopTest::Event kEvents[] = {
    {"Shut Down", [](NestedLoopTest&) { NestedLoopTest::Menu(ID_SHUT_DOWN); }},
    {"Release All Commands", [](NestedLoopTest&) { NestedLoopTest::Menu(ID_RELEASE_ALL_COMMANDS); }},
    {"Load 100 Commands", [](NestedLoopTest&) { NestedLoopTest::Menu(ID_LOAD_100_COMMANDS); }},
    {"Load From Binary", [](NestedLoopTest&) { NestedLoopTest::Menu(ID_LOAD_FROM_BINARY); }},
    {"Add Custom Command", [](NestedLoopTest&) { NestedLoopTest::Menu(ID_ADD_CUSTOM_COMMAND); }},
    {"an utterance", [](NestedLoopTest& t) { t.engine->Say("Test 2"); }},
    {"UnRegister and the final release", NestedLoopTest::Unregister},
};

const NestedLoopTest::Place kPlaces[] = {
    {"the compiler's box", L"Syntax Error", L"", [](NestedLoopTest&) {
         testCommandText = [](int) { return std::string("<1> exported = a;b;\n"); };
         NestedLoopTest::Menu(ID_LOAD_100_COMMANDS);
     }},
    {"the load's COM Error box", L"COM Error", L"Grammar load failed with:", [](NestedLoopTest& t) {
         t.engine->Options().grammarLoadsBeforeError = 20;
         NestedLoopTest::Menu(ID_LOAD_100_COMMANDS);
     }},
    {"the activation's COM Error box", L"COM Error", L"CGramObj::activate failed with:", [](NestedLoopTest& t) {
         t.engine->Options().activateError = E_ACCESSDENIED;
         t.engine->Options().activateErrorRule = "30";
         NestedLoopTest::Menu(ID_LOAD_100_COMMANDS);
     }},
    {"a built-in activation's COM Error box", L"COM Error", L"CGramObj::activate failed with:",
     [](NestedLoopTest& t) {
         t.engine->Say("Hide Quillmoor");
         t.engine->Options().activateError = E_ACCESSDENIED;
         t.engine->Options().activateErrorRule = "builtin4";
         t.engine->Say("Show Quillmoor");
     }},
    {"the utterance begin's COM Error box", L"COM Error", L"CGramObj::activate failed with:",
     [](NestedLoopTest& t) {
         t.engine->Options().activateError = E_ACCESSDENIED;
         t.engine->Options().activateErrorRule = "60";
         HWND pad = CreateWindowExW(0, L"STATIC", L"DragonPad - Document", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                    200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
         SetForegroundWindow(pad);
         PumpUntil([&] { return GetForegroundWindow() == pad; }, 3000);
         t.engine->Say("Test 2");
         DestroyWindow(pad);
     }},
    {"Serious Error", L"Serious Error", L"Releasing the grammars ended prematurely!", [](NestedLoopTest&) {
         // One more counted than the list holds: a loaded grammar released behind the count.
         ModuleController& controller = *NestedLoopTest::Controller();
         ASSERT_TRUE(controller.commands.compiler()->Compile("<101> exported = Test 101;\n", false));
         CGramObj* extra = controller.commands.loadCommandGrammar(controller.commands.compiler()->packed,
                                                                  Hold(controller));
         ASSERT_NE(nullptr, extra);
         extra->release();
         controller.reclaim(extra);
         NestedLoopTest::Menu(ID_RELEASE_ALL_COMMANDS);
     }},
    {"Shut Down Quillmoor 2023 Testing?", L"Shut Down Quillmoor 2023 Testing?", L"",
     [](NestedLoopTest&) { NestedLoopTest::Menu(ID_SHUT_DOWN); }},
    {"Ready to Terminate Now", L"Ready to Terminate Now", L"",
     [](NestedLoopTest&) { NestedLoopTest::Menu(ID_SHUT_DOWN); }},
    {"a script's compile error", L"Error", L"compiling script",
     [](NestedLoopTest& t) { NestedLoopTest::SayTestOneWithScript(t, "Frobnicate"); }},
    {"execScript() failed", L"Error", L"execScript() failed",
     [](NestedLoopTest& t) { NestedLoopTest::SayTestOneWithScript(t, "Frobnicate"); }},
    {"the update check's box", L"No Internet Connection", L"", [](NestedLoopTest&) {
         SetEnvironmentVariableW(L"QUILLMOOR_UPDATE_URL", L"http://127.0.0.1:1/Downloads/");
         NestedLoopTest::Menu(ID_CHECK_FOR_UPDATES);
     }},
    {"the command editor", nullptr, nullptr, [](NestedLoopTest& t) {
         t.EventSoon();
         NestedLoopTest::Menu(ID_ADD_CUSTOM_COMMAND);
     }},
    {"the Open dialog", nullptr, nullptr, [](NestedLoopTest& t) {
         t.EventSoon();
         NestedLoopTest::Menu(ID_LOAD_FROM_BINARY);
     }},
    {"a script wait", nullptr, nullptr, [](NestedLoopTest& t) {
         t.EventSoon();
         NestedLoopTest::SayTestOneWithScript(t, "Wait 400");
     }},
};

TEST_F(NestedLoopTest, EveryEventInsideEveryBoxAndLoopLeavesNothingBehind)
{
    for (const Place& place : kPlaces)
        for (const Event& cellEvent : kEvents)
            Run(place, cellEvent);
}

} // namespace
