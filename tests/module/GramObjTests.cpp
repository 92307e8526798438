// The grammar object against the simulated recogniser, in-process.
#include "BoxRecorder.h"
#include "ModuleController.h"
#include "ModuleLock.h"
#include "ReportComError.h"
#include "GramParser.h"
#include "SimEngine.h"
#include "../../grammar/CGramObj.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

const qmsim::GrammarState* OnlyGrammar(const qmsim::EngineSnapshot& snapshot)
{
    return snapshot.grammars.size() == 1 ? &snapshot.grammars[0] : nullptr;
}

const qmsim::RuleState* FindRule(const qmsim::GrammarState& grammar, const std::string& name)
{
    for (const qmsim::RuleState& rule : grammar.rules)
        if (rule.name == name)
            return &rule;
    return nullptr;
}

class GramObjTest : public testing::Test {
protected:
    explicit GramObjTest(const qmsim::EngineOptions& options = qmsim::EngineOptions()) : engine(options) {}

    void SetUp() override
    {
        ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
        // Only the central interface: enough for the grammar object, without a window.
        ComPtr<ISRCentralW> central;
        site->QueryService(SID_DgnCentral, IID_ISRCentralW, reinterpret_cast<void**>(central.GetAddressOf()));
        controller.grammarOwner.setCentral(central);
        ASSERT_NE(nullptr, controller.grammarOwner.central());
        lockBaseline = ModuleLockCount();
    }

    std::vector<unsigned char> Compile(const std::string& text)
    {
        EXPECT_TRUE(parser.Compile(text, false)) << text;
        return parser.packed;
    }

    int Load(CGramObj& grammar, const std::string& text)
    {
        std::vector<unsigned char> data = Compile(text);
        grammar.init(&controller.grammarOwner);
        return grammar.load(data.data(), static_cast<DWORD>(data.size()), 0, 0);
    }

    BoxRecorder boxes;
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ModuleController controller;
    GramParser parser;
    LONG lockBaseline = 0;
};

// --- load ---------------------------------------------------------------------------

TEST(GramObjWithoutConnection, LoadShowsTheConnectBoxAndLoadBuiltinFailsSilently)
{
    BoxRecorder boxes;
    GramParser parser;
    ASSERT_TRUE(parser.Compile("<1> exported = Test 1;\n", false));
    ModuleController unconnected;
    for (GrammarOwner* owner : {static_cast<GrammarOwner*>(nullptr), &unconnected.grammarOwner}) {
        CGramObj grammar;
        grammar.init(owner);
        boxes.boxes.clear();
        EXPECT_EQ(0, grammar.load(parser.packed.data(), static_cast<DWORD>(parser.packed.size()), 0, 0));
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ(L"Calling CGramObj::load is not allowed before calling connectDragon", boxes.boxes[0].text);
        EXPECT_EQ(L"Error", boxes.boxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), boxes.boxes[0].type);
        EXPECT_EQ(nullptr, boxes.boxes[0].owner);

        EXPECT_EQ(0, grammar.loadBuiltinCommands(parser.packed.data(), static_cast<DWORD>(parser.packed.size())));
        EXPECT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ(nullptr, grammar.gramCommon);
    }
}

TEST_F(GramObjTest, LoadPutsTheGrammarInTheEngineWithItsSinkAndLinksIt)
{
    CGramObj older, newer;
    ASSERT_EQ(1, Load(older, "<1> exported = Test 1;\n"));
    ASSERT_EQ(1, Load(newer, "<2> exported = Test 2;\n"));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    EXPECT_EQ(&newer, controller.grammarOwner.commandGrammars());
    EXPECT_EQ(&older, newer.next);
    EXPECT_EQ(nullptr, older.next);

    qmsim::EngineSnapshot snapshot = engine.Snapshot();
    ASSERT_EQ(2u, snapshot.grammars.size());
    for (const qmsim::GrammarState& grammar : snapshot.grammars) {
        EXPECT_TRUE(grammar.hasSink);
        EXPECT_EQ(0x5000u, grammar.sinkFlags);
        ASSERT_EQ(1u, grammar.rules.size());
        EXPECT_FALSE(grammar.rules[0].active);
    }
    older.release();
    newer.release();
}

TEST_F(GramObjTest, SecondLoadIsRefusedAndEmptyDataFailsSilently)
{
    CGramObj grammar;
    ASSERT_EQ(1, Load(grammar, "<1> exported = Test 1;\n"));
    std::vector<unsigned char> data = Compile("<2> exported = Test 2;\n");
    EXPECT_EQ(0, grammar.load(data.data(), static_cast<DWORD>(data.size()), 0, 0));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"A grammar is already loaded ", boxes.boxes[0].text);
    EXPECT_EQ(L"Error", boxes.boxes[0].caption);
    EXPECT_EQ(1u, engine.Snapshot().grammars.size());

    CGramObj empty;
    empty.init(&controller.grammarOwner);
    EXPECT_EQ(0, empty.load(nullptr, 0, 0, 0));
    EXPECT_EQ(0, empty.load(data.data(), 0, 0, 0));
    EXPECT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(1u, engine.Snapshot().grammars.size());
    grammar.release();
}

TEST_F(GramObjTest, RefusedGrammarShowsTheEnginesDescriptionInTheComErrorBox)
{
    const unsigned char garbage[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    CGramObj grammar;
    grammar.init(&controller.grammarOwner);
    EXPECT_EQ(0, grammar.load(garbage, sizeof(garbage), 0, 0));
    ASSERT_EQ(1u, boxes.boxes.size());
    const RecordedBox& box = boxes.boxes[0];
    EXPECT_EQ(L"COM Error", box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), box.type);
    EXPECT_EQ(nullptr, box.owner);
    const std::wstring head = L"Grammar load failed with: (HRESULT 0x80040201)\n\"";
    ASSERT_EQ(head, box.text.substr(0, head.size())) << Narrow(box.text);
    EXPECT_GT(box.text.size(), head.size() + 1) << "the description is missing";
    EXPECT_EQ(L'"', box.text.back());
    EXPECT_EQ(nullptr, controller.grammarOwner.commandGrammars());
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    // The sink the engine refused is gone again.
    EXPECT_EQ(lockBaseline, ModuleLockCount());
}

class RefusingEngineTest : public GramObjTest {
protected:
    static qmsim::EngineOptions Refusing()
    {
        qmsim::EngineOptions options;
        options.grammarLoadError = E_ACCESSDENIED;
        return options;
    }
    RefusingEngineTest() : GramObjTest(Refusing()) {}
};

TEST_F(RefusingEngineTest, BuiltinLoadReportsTheRefusalWithTheSamePrefix)
{
    std::vector<unsigned char> data = Compile("<builtin1> exported = Show Quillmoor;\n");
    CGramObj grammar;
    grammar.init(&controller.grammarOwner);
    EXPECT_EQ(0, grammar.loadBuiltinCommands(data.data(), static_cast<DWORD>(data.size())));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"Grammar load failed with: (HRESULT 0x80070005)\n\"GrammarLoad: refused by test setting\"",
              boxes.boxes[0].text);
    EXPECT_EQ(nullptr, controller.grammarOwner.builtinGrammars());
    EXPECT_EQ(lockBaseline, ModuleLockCount());
}

// --- activation ---------------------------------------------------------------------------

TEST_F(GramObjTest, ActivateGloballyOrForAWindowAndDeactivate)
{
    CGramObj grammar;
    ASSERT_EQ(1, Load(grammar, "<7> exported = Test 7;\n"));
    EXPECT_EQ(1, grammar.activate("7", nullptr));
    const qmsim::GrammarState* state = nullptr;
    qmsim::EngineSnapshot snapshot = engine.Snapshot();
    ASSERT_NE(nullptr, state = OnlyGrammar(snapshot));
    ASSERT_NE(nullptr, FindRule(*state, "7"));
    EXPECT_TRUE(FindRule(*state, "7")->active);
    EXPECT_EQ(nullptr, FindRule(*state, "7")->window);

    HWND window = CreateWindowExW(0, L"STATIC", L"bound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(1, grammar.activate("7", window));
    snapshot = engine.Snapshot();
    EXPECT_EQ(window, FindRule(snapshot.grammars[0], "7")->window);

    EXPECT_EQ(1, grammar.deactivate("7"));
    snapshot = engine.Snapshot();
    EXPECT_FALSE(FindRule(snapshot.grammars[0], "7")->active);
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    DestroyWindow(window);
    grammar.release();
}

TEST_F(GramObjTest, ActivateForADeadWindowFailsWithoutBoxOrEngineCall)
{
    CGramObj grammar;
    ASSERT_EQ(1, Load(grammar, "<7> exported = Test 7;\n"));
    HWND window = CreateWindowExW(0, L"STATIC", L"gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(window);
    size_t transcriptBefore = engine.Transcript().size();
    EXPECT_EQ(0, grammar.activate("7", window));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    EXPECT_EQ(transcriptBefore, engine.Transcript().size());
    EXPECT_FALSE(engine.Snapshot().grammars[0].rules[0].active);
    grammar.release();
}

TEST_F(GramObjTest, RefusedActivationShowsTheComErrorBoxButDeactivationStaysQuiet)
{
    CGramObj grammar;
    ASSERT_EQ(1, Load(grammar, "<7> exported = Test 7;\n"));
    EXPECT_EQ(0, grammar.activate("8", nullptr));
    ASSERT_EQ(1u, boxes.boxes.size());
    const std::wstring head = L"CGramObj::activate failed with: (HRESULT 0x80040202)\n\"Activate: ";
    EXPECT_EQ(head, boxes.boxes[0].text.substr(0, head.size())) << Narrow(boxes.boxes[0].text);
    EXPECT_EQ(L"COM Error", boxes.boxes[0].caption);

    EXPECT_EQ(1, grammar.deactivate("8"));
    EXPECT_EQ(1u, boxes.boxes.size());
    // The refused deactivation's description does not turn up in a later, unrelated box.
    reportComError(L"Later:", E_FAIL);
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(L"Later: (HRESULT 0x80004005)", boxes.boxes[1].text);
    grammar.release();
}

TEST_F(GramObjTest, EveryOperationWithoutAGrammarShowsTheNoInterfaceBox)
{
    CGramObj grammar;
    grammar.init(&controller.grammarOwner);
    EXPECT_EQ(0, grammar.activate("1", nullptr));
    EXPECT_EQ(0, grammar.deactivate("1"));
    EXPECT_EQ(0, grammar.listSet("OnOff"));
    EXPECT_EQ(0, grammar.listAppend("OnOff", "On"));
    ASSERT_EQ(4u, boxes.boxes.size());
    for (const RecordedBox& box : boxes.boxes) {
        EXPECT_EQ(L"No ISRGramCommon interface!", box.text);
        EXPECT_EQ(L"Error", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), box.type);
    }
    EXPECT_EQ(1, grammar.release());
    EXPECT_EQ(1, grammar.releaseBuiltin());
    EXPECT_EQ(4u, boxes.boxes.size());
}

// --- lists ---------------------------------------------------------------------------

TEST(WordRecord, SizeCountsHeaderTextAndTerminatorPaddedToFourBytes)
{
    std::vector<BYTE> on = CGramObj::makeWordRecord("On");
    const std::vector<BYTE> expected = {16, 0, 0, 0, 0, 0, 0, 0, 'O', 0, 'n', 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, on);
    EXPECT_EQ(16u, CGramObj::makeWordRecord("Off").size());       // 8 + 8, already aligned
    EXPECT_EQ(32u, CGramObj::makeWordRecord("On and Off").size()); // 8 + 22 -> 32
    EXPECT_EQ(12u, CGramObj::makeWordRecord("").size());           // 8 + 2 -> 12
    std::vector<BYTE> off = CGramObj::makeWordRecord("Off");
    EXPECT_EQ(16u, *reinterpret_cast<DWORD*>(off.data()));
}

TEST_F(GramObjTest, ListAppendFillsAndListSetEmptiesTheList)
{
    CGramObj grammar;
    ASSERT_EQ(1, Load(grammar, "<1> exported = Switch {OnOff};\n"));
    EXPECT_EQ(1, grammar.listAppend("OnOff", "On"));
    EXPECT_EQ(1, grammar.listAppend("OnOff", "On and Off"));
    qmsim::EngineSnapshot snapshot = engine.Snapshot();
    ASSERT_EQ(1u, snapshot.grammars[0].lists.size());
    EXPECT_EQ("OnOff", snapshot.grammars[0].lists[0].name);
    EXPECT_EQ((std::vector<std::string>{"On", "On and Off"}), snapshot.grammars[0].lists[0].words);

    EXPECT_EQ(1, grammar.listSet("OnOff"));
    snapshot = engine.Snapshot();
    EXPECT_TRUE(snapshot.grammars[0].lists[0].words.empty());
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    grammar.release();
}

TEST_F(GramObjTest, RefusedListCallsShowTheirComErrorBoxes)
{
    CGramObj grammar;
    ASSERT_EQ(1, Load(grammar, "<1> exported = Switch {OnOff};\n"));
    EXPECT_EQ(0, grammar.listAppend("Missing", "On"));
    EXPECT_EQ(0, grammar.listSet("Missing"));
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(0u, boxes.boxes[0].text.find(L"ISRGramCFG->ListAppend() failed with: (HRESULT 0x"))
        << Narrow(boxes.boxes[0].text);
    EXPECT_EQ(0u, boxes.boxes[1].text.find(L"ISRGramCFG->ListSet() failed with: (HRESULT 0x"))
        << Narrow(boxes.boxes[1].text);
    grammar.release();
}

// --- release ---------------------------------------------------------------------------

TEST_F(GramObjTest, ReleaseUnloadsUnlinksAndCutsTheSinkOff)
{
    CGramObj first, second, third;
    ASSERT_EQ(1, Load(first, "<1> exported = Test 1;\n"));
    ASSERT_EQ(1, Load(second, "<2> exported = Test 2;\n"));
    ASSERT_EQ(1, Load(third, "<3> exported = Test 3;\n"));
    EXPECT_EQ(lockBaseline + 3, ModuleLockCount()); // one sink per grammar

    EXPECT_EQ(1, second.release());
    EXPECT_EQ(nullptr, second.gramCommon);
    EXPECT_EQ(&third, controller.grammarOwner.commandGrammars());
    EXPECT_EQ(&first, third.next);
    EXPECT_EQ(2u, engine.Snapshot().grammars.size());
    EXPECT_EQ(lockBaseline + 2, ModuleLockCount());

    // A second release changes nothing.
    EXPECT_EQ(1, second.release());
    EXPECT_EQ(2u, engine.Snapshot().grammars.size());

    third.release();
    first.release();
    EXPECT_EQ(nullptr, controller.grammarOwner.commandGrammars());
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    EXPECT_EQ(lockBaseline, ModuleLockCount());
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(GramObjTest, BuiltinGrammarHasItsOwnListAndASinkWithoutFlags)
{
    std::vector<unsigned char> data = Compile("<builtin1> exported = Show Quillmoor;\n");
    CGramObj grammar;
    grammar.init(&controller.grammarOwner);
    EXPECT_EQ(0, grammar.loadBuiltinCommands(nullptr, 0));
    EXPECT_EQ(1, grammar.loadBuiltinCommands(data.data(), static_cast<DWORD>(data.size())));
    EXPECT_EQ(&grammar, controller.grammarOwner.builtinGrammars());
    EXPECT_EQ(nullptr, controller.grammarOwner.commandGrammars());
    qmsim::EngineSnapshot snapshot = engine.Snapshot();
    ASSERT_EQ(1u, snapshot.grammars.size());
    EXPECT_TRUE(snapshot.grammars[0].hasSink);
    EXPECT_EQ(0u, snapshot.grammars[0].sinkFlags);

    EXPECT_EQ(1, grammar.releaseBuiltin());
    EXPECT_EQ(nullptr, controller.grammarOwner.builtinGrammars());
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    EXPECT_EQ(lockBaseline, ModuleLockCount());
}

} // namespace
