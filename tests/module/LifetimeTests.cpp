// Grammar objects and utterance cookies across the calls that can release everything
// meanwhile: "Shut Down" and "Release All Commands" dispatched inside a box's message loop,
// repeated load and release, and an utterance that begins before the event hub exists.
// The program runs under the heap check: a walk over a freed grammar object crashes it.
#include "BoxRecorder.h"
#include "Hold.h"
#include "CDgnSRNotifySink.h"
#include "ControllerMessages.h"
#include "DialogLog.h"
#include "EngineState.h"
#include "GramParser.h"
#include "HeapCheck.h"
#include "ModuleController.h"
#include "ModuleLock.h"
#include "SimEngine.h"
#include "../../grammar/CGramObj.h"
#include "../../ui/resource.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <map>
#include <mutex>

using Microsoft::WRL::ComPtr;

namespace {

class LifetimeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
        ASSERT_TRUE(controller.connectDragon(site.Get(), Hold(controller)));
        ASSERT_TRUE(WaitForDialogLog(controller.dialogWindow(), "\"Tools - Shut Down\""));
    }

    void TearDown() override
    {
        controller.disconnectDragon(Hold(controller));
        engine.ReleaseSinks();
    }

    void Menu(WORD id) { SendMessageW(controller.commands.controllerWindow(), WM_COMMAND, id, 0); }

    // Runs command inside the first box with that caption, as the box's message loop would.
    void InsideBox(const wchar_t* caption, WORD command)
    {
        boxes.whileOpen = [this, caption, command](const RecordedBox& box) {
            if (box.caption == caption && !ranInside) {
                ranInside = true;
                Menu(command);
            }
        };
    }

    void ClearTranscript()
    {
        std::shared_ptr<qmsim::EngineState> state = engine.State();
        std::lock_guard<std::mutex> lock(state->transcriptLock);
        std::vector<std::string>().swap(state->transcript);
    }

    BoxRecorder boxes;
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ModuleController controller;
    bool ranInside = false;
};

TEST_F(LifetimeTest, ShutDownInsideARefusedBuiltinActivationEndsTheWalk)
{
    // "Show Quillmoor" switches the built-in rules; the refusal of builtin4 opens the box,
    // and "Shut Down" runs inside it and releases every built-in grammar.
    controller.builtins.hide(Hold(controller));
    engine.Options().activateError = E_ACCESSDENIED;
    engine.Options().activateErrorRule = "builtin4";
    boxes.answer = IDYES;
    InsideBox(L"COM Error", ID_SHUT_DOWN);
    qmsim::SayResult said = engine.Say("Show Quillmoor");
    EXPECT_TRUE(said.recognised) << said.failure;
    EXPECT_TRUE(ranInside);
    EXPECT_EQ(nullptr, controller.grammarOwner.builtinGrammars());
    EXPECT_EQ(nullptr, controller.grammarOwner.central());
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    // The walk stopped: builtin3 and the rest were not asked for after the shutdown.
    ASSERT_EQ(2u, boxes.boxes.size()) << Describe(boxes.boxes);
    EXPECT_EQ(L"Shut Down Quillmoor 2023 Testing?", boxes.boxes[1].caption);
}

TEST_F(LifetimeTest, ReleaseAllInsideARefusedBuiltinActivationLetsTheBuiltinWalkFinish)
{
    // Each list has its own removal count: emptying the command list, or adding to it,
    // does not stop a walk over the built-in one.
    controller.commands.loadTestCommands(100, Hold(controller));
    controller.builtins.hide(Hold(controller));
    engine.Options().activateError = E_ACCESSDENIED;
    engine.Options().activateErrorRule = "builtin4";
    boxes.whileOpen = [this](const RecordedBox& box) {
        if (box.caption == L"COM Error" && !ranInside) {
            ranInside = true;
            Menu(ID_RELEASE_ALL_COMMANDS);
        }
    };
    qmsim::SayResult said = engine.Say("Show Quillmoor");
    EXPECT_TRUE(said.recognised) << said.failure;
    EXPECT_TRUE(ranInside);
    EXPECT_EQ(0, controller.commands.loadedCount());
    std::map<std::string, bool> active;
    for (const qmsim::GrammarState& grammar : engine.Snapshot().grammars)
        for (const qmsim::RuleState& rule : grammar.rules)
            active[rule.name] = rule.active;
    const std::map<std::string, bool> expected = {{"builtin1", false}, {"builtin2", true}, {"builtin3", true},
                                                  {"builtin4", false}, {"builtin5", true}, {"builtin6", true}};
    EXPECT_EQ(expected, active);
}

TEST_F(LifetimeTest, AGrammarAddedInsideARefusedActivationDoesNotStopTheLoadsWalk)
{
    engine.Options().activateError = E_ACCESSDENIED;
    engine.Options().activateErrorRule = "30";
    GramParser other;
    ASSERT_TRUE(other.Compile("<101> exported = Extra;\n", false));
    boxes.whileOpen = [&](const RecordedBox& box) {
        if (box.caption == L"COM Error" && !ranInside) {
            ranInside = true;
            EXPECT_NE(nullptr, controller.commands.loadCommandGrammar(other.packed, Hold(controller)));
        }
    };
    controller.commands.loadTestCommands(100, Hold(controller));
    EXPECT_TRUE(ranInside);
    EXPECT_EQ(101, controller.commands.loadedCount());
    EXPECT_EQ(49, controller.commands.globalActiveCount()); // 1-50 but the refused 30
}

TEST_F(LifetimeTest, ShutDownInsideARefusedCommandActivationDuringALoad)
{
    engine.Options().activateError = E_ACCESSDENIED;
    engine.Options().activateErrorRule = "30";
    boxes.answer = IDYES;
    InsideBox(L"COM Error", ID_SHUT_DOWN);
    controller.commands.loadTestCommands(100, Hold(controller));
    EXPECT_TRUE(ranInside);
    EXPECT_EQ(nullptr, controller.grammarOwner.commandGrammars());
    EXPECT_EQ(0, controller.commands.loadedCount());
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
}

TEST_F(LifetimeTest, RepeatedLoadAndReleaseLeavesNothingBehind)
{
    const LONG locks = ModuleLockCount();
    long settled = 0;
    for (int cycle = 0; cycle < 12; ++cycle) {
        controller.commands.loadTestCommands(100, Hold(controller));
        ASSERT_EQ(100, controller.commands.loadedCount());
        Menu(ID_RELEASE_ALL_COMMANDS);
        ASSERT_EQ(0, controller.commands.loadedCount());
        ASSERT_EQ(locks, ModuleLockCount()); // every grammar sink went
        ASSERT_TRUE(WaitForDialogLog(controller.dialogWindow(), "done in "));
        ClearTranscript();
        if (cycle == 1)
            settled = heapcheck::LiveBlocks();
    }
    // A grammar object with its sink and texts is several blocks: 100 of them a cycle would
    // show as thousands. The slack covers log lines still on their way to the dialog.
    EXPECT_LE(heapcheck::LiveBlocks(), settled + 50);
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(LifetimeTest, AScriptErrorRecordNobodyAwaitsIsFreedByTheWindowThatGetsIt)
{
    HWND hub = controller.commands.controllerWindow();
    const long before = heapcheck::LiveBlocks();
    for (DWORD cookie = 100; cookie < 200; ++cookie)
        ASSERT_TRUE(PostMessageW(hub, WM_SCRIPT_DONE, cookie, reinterpret_cast<LPARAM>(new ScriptErrorInfo{1, 2})));
    MSG message;
    while (PeekMessageW(&message, hub, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    EXPECT_LE(heapcheck::LiveBlocks(), before + 10); // a hundred records kept would be a hundred blocks

    // One that a wait has recorded stays with the wait: the wait's loop notes it, then
    // dispatches it to the window, which must not free it (the heap check ends the program on
    // a second delete).
    ScriptErrorInfo* recorded = new ScriptErrorInfo{3, 4};
    ASSERT_TRUE(PostMessageW(hub, WM_SCRIPT_DONE, 7, reinterpret_cast<LPARAM>(recorded)));
    EXPECT_EQ(reinterpret_cast<LPARAM>(recorded),
              controller.commands.scriptRunner().waitForMessage(WM_SCRIPT_DONE, 7, Hold(controller)));
    EXPECT_EQ(3u, recorded->first);
    delete recorded;
}

TEST(UtteranceCookie, GoesStraightBackWhenThereIsNoEventHubYet)
{
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
    ComPtr<ISRCentralW> central;
    ASSERT_EQ(S_OK, site->QueryService(SID_DgnCentral, IID_ISRCentralW, reinterpret_cast<void**>(central.GetAddressOf())));

    // The state between the sink's registration and the controller window's creation.
    ModuleController controller;
    ASSERT_EQ(S_OK, central->QueryInterface(IID_IDgnSREngineControl,
                                            reinterpret_cast<void**>(
                                                controller.engineControl.ReleaseAndGetAddressOf())));
    ASSERT_EQ(nullptr, controller.commands.controllerWindow());
    ComPtr<CDgnSRNotifySink> sink;
    ASSERT_EQ(S_OK, CDgnSRNotifySink::Create(sink.GetAddressOf()));
    sink->setController(&controller);

    EXPECT_EQ(S_OK, sink->Paused(0x71, 0x72));
    size_t resumes = 0;
    for (const std::string& line : engine.Transcript())
        if (line.find("0x00000072:0x00000071") != std::string::npos)
            ++resumes;
    EXPECT_EQ(1u, resumes);
    // Nothing was left in the thread's queue for a window that does not exist.
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    sink->detach();
}

} // namespace
