// The module controller connected to the simulated recogniser in-process: built-in commands,
// rule states, window placement, the menu, and disconnecting.
#include "BoxRecorder.h"
#include "Hold.h"
#include "DialogLog.h"
#include "CDgnAppSupport.h"
#include "CDgnSRNotifySink.h"
#include "ModuleController.h"
#include "PredefinedLists.h"
#include "ModuleLock.h"
#include "GramParser.h"
#include "SimEngine.h"
#include "../../grammar/CGramObj.h"
#include "../../ui/TestDriverWindow.h"
#include "../../ui/resource.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <map>

using Microsoft::WRL::ComPtr;

namespace {

// Rule name -> active, over every grammar of the engine.
std::map<std::string, bool> RuleStates(const qmsim::Engine& engine)
{
    std::map<std::string, bool> states;
    for (const qmsim::GrammarState& grammar : engine.Snapshot().grammars)
        for (const qmsim::RuleState& rule : grammar.rules)
            states[rule.name] = rule.active;
    return states;
}

std::map<std::string, bool> ShownState()
{
    return {{"builtin1", false}, {"builtin2", true}, {"builtin3", true},
            {"builtin4", true},  {"builtin5", true}, {"builtin6", true}};
}

std::map<std::string, bool> HiddenState()
{
    return {{"builtin1", true},  {"builtin2", false}, {"builtin3", false},
            {"builtin4", false}, {"builtin5", false}, {"builtin6", false}};
}

std::string LogText(HWND dialog)
{
    return DialogLogText(dialog);
}

bool WaitForLog(HWND dialog, const std::string& wanted, DWORD timeoutMs = 3000)
{
    return WaitForDialogLog(dialog, wanted, timeoutMs);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}


class ConnectedControllerTest : public testing::Test {
protected:
    void SetUp() override
    {
        lockBaseline = ModuleLockCount();
        ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
        ASSERT_TRUE(controller.connectDragon(site.Get(), Hold(controller)));
        ASSERT_NE(nullptr, controller.testDriver.get());
        dialog = controller.dialogWindow();
        ASSERT_NE(nullptr, dialog);
    }

    void TearDown() override
    {
        controller.disconnectDragon(Hold(controller));
        engine.ReleaseSinks();
    }

    BoxRecorder boxes;
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ModuleController controller;
    HWND dialog = nullptr;
    LONG lockBaseline = 0;
};

TEST_F(ConnectedControllerTest, ConnectLoadsSixBuiltinsListeningForAllButShow)
{
    qmsim::EngineSnapshot snapshot = engine.Snapshot();
    EXPECT_EQ(6u, snapshot.grammars.size());
    EXPECT_EQ(1u, snapshot.engineSinks.size());
    EXPECT_EQ(0x48u, snapshot.engineSinks[0].flags);
    EXPECT_EQ(ShownState(), RuleStates(engine));

    int count = 0;
    for (CGramObj* grammar = controller.grammarOwner.builtinGrammars(); grammar; grammar = grammar->builtinNext)
        ++count;
    EXPECT_EQ(6, count);
    EXPECT_EQ(nullptr, controller.grammarOwner.commandGrammars());
    EXPECT_EQ(controller.commands.controllerWindow(), controller.testDriver->controllerWindow.load());

    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(WaitForLog(dialog, "\"Tools - Shut Down\""));
    std::string log = LogText(dialog);
    size_t connected = log.find(">> Connected to Dragon successfuly, loading built-in commands ...\n");
    size_t done = log.find("... compiling and loading built-in commands done.\n");
    size_t welcome = log.find(">> Start by loading various amounts of commands from the file menu.\n");
    EXPECT_NE(std::string::npos, connected) << log;
    EXPECT_LT(connected, done) << log;
    EXPECT_LT(done, welcome) << log;

    BOOL translated = FALSE;
    for (int box : {IDC_GLOBAL_COUNT, IDC_APP_COUNT, IDC_WINDOW_COUNT}) {
        EXPECT_EQ(0u, GetDlgItemInt(dialog, box, &translated, TRUE));
        EXPECT_TRUE(translated) << box;
    }
    EXPECT_EQ(ParsePredefinedLists(builtinListText), controller.predefinedLists);
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(ConnectedControllerTest, HideAndShowQuillmoorFlipTheRulesAndTheWindow)
{
    qmsim::SayResult hidden = engine.Say("Hide Quillmoor");
    EXPECT_TRUE(hidden.recognised) << hidden.failure;
    EXPECT_FALSE(hidden.stalled); // the utterance cookie came back
    EXPECT_EQ(HiddenState(), RuleStates(engine));
    EXPECT_FALSE(IsWindowVisible(dialog));

    // Only "Show Quillmoor" listens now.
    EXPECT_FALSE(engine.Say("Quillmoor Top Left").recognised);

    qmsim::SayResult shown = engine.Say("Show Quillmoor");
    EXPECT_TRUE(shown.recognised) << shown.failure;
    EXPECT_EQ(ShownState(), RuleStates(engine));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(ConnectedControllerTest, CornerCommandsAndMenuItemsMoveTheWindowToTheWorkAreaCorners)
{
    RECT workArea;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    const int width = workArea.right - workArea.left, height = workArea.bottom - workArea.top;
    RECT frame;
    ASSERT_TRUE(GetWindowRect(dialog, &frame));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;

    struct Case {
        const char* phrase;
        WORD menuItem;
        int x, y;
    } cases[] = {
        {"Quillmoor Top Left", ID_PLACE_TOP_LEFT, 0, 0},
        {"Quillmoor Bottom Left", ID_PLACE_BOTTOM_LEFT, 0, height - h},
        {"Quillmoor Top Right", ID_PLACE_TOP_RIGHT, width - w, 0},
        {"Quillmoor Bottom Right", ID_PLACE_BOTTOM_RIGHT, width - w, height - h},
    };
    for (const Case& c : cases) {
        SetWindowPos(dialog, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(engine.Say(c.phrase).recognised) << c.phrase;
        GetWindowRect(dialog, &frame);
        EXPECT_EQ(c.x, frame.left) << c.phrase;
        EXPECT_EQ(c.y, frame.top) << c.phrase;

        SetWindowPos(dialog, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(controller.commands.controllerWindow(), WM_COMMAND, c.menuItem, 0);
        GetWindowRect(dialog, &frame);
        EXPECT_EQ(c.x, frame.left) << c.menuItem;
        EXPECT_EQ(c.y, frame.top) << c.menuItem;
    }
}

TEST_F(ConnectedControllerTest, PlacementDoesNothingWhileTheWindowIsHidden)
{
    SetWindowPos(dialog, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    controller.builtins.hide(Hold(controller));
    for (WORD item : {ID_PLACE_TOP_LEFT, ID_PLACE_TOP_RIGHT, ID_PLACE_BOTTOM_RIGHT, ID_PLACE_BOTTOM_LEFT})
        SendMessageW(controller.commands.controllerWindow(), WM_COMMAND, item, 0);
    controller.builtins.place(Corner::TopLeft);
    controller.builtins.place(static_cast<Corner>(7));
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_EQ(37, frame.left);
    EXPECT_EQ(41, frame.top);
}

TEST_F(ConnectedControllerTest, CloseBoxHidesAndEmptiesTheLogAndTheNextLineShowsItAgain)
{
    ASSERT_TRUE(WaitForLog(dialog, "\"Tools - Shut Down\""));
    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ("", LogText(dialog));
    // The rule state stays "shown": only the window went.
    EXPECT_EQ(ShownState(), RuleStates(engine));

    controller.grammarOwner.log("next line\n");
    EXPECT_TRUE(WaitForLog(dialog, "next line\n"));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ("next line\n", LogText(dialog));
}

TEST_F(ConnectedControllerTest, ShutDownAnsweredNoChangesNothingAndYesDisconnects)
{
    boxes.answer = IDNO;
    SendMessageW(controller.commands.controllerWindow(), WM_COMMAND, ID_SHUT_DOWN, 0);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"Do you really want to shut down Quillmoor now?\n\n(You will need to reload the profile or restart "
              L"Dragon to start it again.)",
              boxes.boxes[0].text);
    EXPECT_EQ(L"Shut Down Quillmoor 2023 Testing?", boxes.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION | MB_SETFOREGROUND), boxes.boxes[0].type);
    EXPECT_EQ(6u, engine.Snapshot().grammars.size());
    EXPECT_NE(nullptr, controller.grammarOwner.central());

    boxes.answer = IDYES;
    HWND hub = controller.commands.controllerWindow();
    SendMessageW(hub, WM_COMMAND, ID_SHUT_DOWN, 0);
    EXPECT_EQ(2u, boxes.boxes.size()); // no "Ready to Terminate Now" without command grammars
    qmsim::EngineSnapshot snapshot = engine.Snapshot();
    EXPECT_TRUE(snapshot.grammars.empty());
    EXPECT_TRUE(snapshot.engineSinks.empty());
    EXPECT_EQ(nullptr, controller.grammarOwner.central());
    EXPECT_EQ(nullptr, controller.site.Get());
    EXPECT_EQ(nullptr, controller.testDriver.get());
    EXPECT_EQ(nullptr, controller.commands.controllerWindow());
    EXPECT_FALSE(IsWindow(hub));
    ULONGLONG deadline = GetTickCount64() + 3000;
    while (IsWindow(dialog) && GetTickCount64() < deadline) {
        PumpMessages();
        Sleep(10);
    }
    EXPECT_FALSE(IsWindow(dialog));

    // A later UnRegister finds nothing left.
    EXPECT_TRUE(controller.disconnectDragon(Hold(controller)));
    EXPECT_EQ(2u, boxes.boxes.size());
}

TEST_F(ConnectedControllerTest, CommandGrammarsAreReleasedAndReportedAtDisconnect)
{
    std::vector<unsigned char> data;
    for (int k = 1; k <= 3; ++k) {
        std::string text = "<" + std::to_string(k) + "> exported = Test " + std::to_string(k) + ";\n";
        ASSERT_TRUE(controller.commands.compiler()->Compile(text, false));
        ASSERT_NE(nullptr, controller.commands.loadCommandGrammar(controller.commands.compiler()->packed,
                                                                  Hold(controller)));
    }
    controller.commands.addScript(1, "Beep");
    EXPECT_EQ(9u, engine.Snapshot().grammars.size());

    controller.disconnectDragon(Hold(controller));
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    EXPECT_EQ(0, controller.commands.loadedCount());
    EXPECT_EQ(3, controller.commands.releasedCount());
    EXPECT_TRUE(controller.commands.scripts().empty());
    EXPECT_EQ(1, controller.commands.nextCommandNumber());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"Ready to Terminate Now", boxes.boxes[0].caption);
    EXPECT_EQ(0u, boxes.boxes[0].text.find(L"Done releasing 3 commands in ")) << Narrow(boxes.boxes[0].text);
    EXPECT_NE(std::wstring::npos,
              boxes.boxes[0].text.find(L" ms.\r\n\r\nThere are no more object references into Dragon left behind."
                                       L"\r\n\r\nDragon should shut down properly now."));
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.boxes[0].type);
}

TEST_F(ConnectedControllerTest, UtterancesStillQueuedAtDisconnectAreHandedBack)
{
    // Two utterance begins posted, none handled yet, and the thread's loop asked to end:
    // the quit neither stops the draining nor gets lost.
    ComPtr<CDgnSRNotifySink> sink = controller.engineSink;
    ASSERT_NE(nullptr, sink.Get());
    EXPECT_EQ(S_OK, sink->Paused(0x11, 0x22));
    PostQuitMessage(7);
    EXPECT_EQ(S_OK, sink->Paused(0x33, 0x44));
    controller.disconnectDragon(Hold(controller));
    MSG quit = {};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, quit.wParam);

    size_t resumes = 0;
    for (const std::string& line : engine.Transcript())
        if (line.find("0x00000022:0x00000011") != std::string::npos ||
            line.find("0x00000044:0x00000033") != std::string::npos)
            ++resumes;
    EXPECT_EQ(2u, resumes);

    // The sink outlives the controller's connection, cut off from it: it refuses utterances.
    EXPECT_EQ(E_UNEXPECTED, sink->Paused(0x55, 0x66));
    PumpMessages();
}

TEST(EngineSink, AnswersFlagsAndRefusesUtterancesWithoutController)
{
    LONG baseline = ModuleLockCount();
    ComPtr<CDgnSRNotifySink> sink;
    ASSERT_EQ(S_OK, CDgnSRNotifySink::Create(sink.GetAddressOf()));
    EXPECT_EQ(baseline + 1, ModuleLockCount());

    ComPtr<IDgnGetSinkFlags> flags;
    ASSERT_EQ(S_OK, sink->QueryInterface(IID_IDgnGetSinkFlags, reinterpret_cast<void**>(flags.GetAddressOf())));
    DWORD value = 0;
    EXPECT_EQ(S_OK, flags->SinkFlagsGet(&value));
    EXPECT_EQ(0x48u, value);
    EXPECT_EQ(S_OK, flags->SinkFlagsGet(nullptr));

    EXPECT_EQ(E_UNEXPECTED, sink->Paused(1, 2));
    EXPECT_EQ(S_OK, sink->AttribChanged2(5));

    flags.Reset();
    sink.Reset();
    EXPECT_EQ(baseline, ModuleLockCount());
}

TEST(AppSupport, RegisterWithoutCentralServiceShowsTheFailBoxAndStaysHarmless)
{
    BoxRecorder boxes;
    qmsim::EngineOptions options;
    options.provideCentral = false;
    qmsim::Engine engine(options);
    ComPtr<IServiceProvider> site;
    ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
    LONG baseline = ModuleLockCount();

    ComPtr<IDgnAppSupportW> support;
    ASSERT_EQ(S_OK, CDgnAppSupport::CreateInstance(IID_IDgnAppSupportW,
                                                   reinterpret_cast<void**>(support.GetAddressOf())));
    EXPECT_EQ(S_OK, support->Register(site.Get()));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"Failed to initialize NatSpeak interfaces", boxes.boxes[0].text);
    EXPECT_EQ(L"Fail", boxes.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION | MB_SETFOREGROUND), boxes.boxes[0].type);
    EXPECT_EQ(nullptr, boxes.boxes[0].owner);

    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    EXPECT_TRUE(engine.Snapshot().engineSinks.empty());
    EXPECT_EQ(S_OK, support->AddProcess(1, 2, 3, 4));
    EXPECT_EQ(S_OK, support->EndProcess(1));
    EXPECT_EQ(S_OK, support->UnRegister());
    EXPECT_EQ(1u, boxes.boxes.size());
    support.Reset();
    EXPECT_EQ(baseline, ModuleLockCount());
}

TEST(AppSupport, LockCountFallsBackOnceDragonHasLetGoOfEverything)
{
    BoxRecorder boxes;
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
    LONG baseline = ModuleLockCount();

    ComPtr<IDgnAppSupportW> support;
    ASSERT_EQ(S_OK, CDgnAppSupport::CreateInstance(IID_IDgnAppSupportW,
                                                   reinterpret_cast<void**>(support.GetAddressOf())));
    EXPECT_EQ(E_NOINTERFACE, support->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&boxes)));
    ASSERT_EQ(S_OK, support->Register(site.Get()));
    EXPECT_GT(ModuleLockCount(), baseline + 1); // the object and its sinks
    EXPECT_EQ(6u, engine.Snapshot().grammars.size());

    EXPECT_EQ(S_OK, support->UnRegister());
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    EXPECT_TRUE(engine.Snapshot().engineSinks.empty());
    support.Reset();
    engine.ReleaseSinks();
    EXPECT_EQ(baseline, ModuleLockCount());
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

} // namespace
