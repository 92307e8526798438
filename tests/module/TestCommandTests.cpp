// Test command sets in-process against the simulated recogniser: the menu's counts and their
// ranges, replacing a set, activation by foreground window at utterance begin, the window-
// module query's answers, and the failure paths of loading and activating.
#include "CommandHostProbe.h"
#include "ConnectedModule.h"
#include "Hold.h"
#include "../../commands/TestCommands.h"
#include "../../grammar/CGramObj.h"
#include "../../ui/resource.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <map>

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kOtherPath[] = L"C:\\Tools\\Other.Program.exe";

// Rule name -> binding (null = global) of the active command rules; inactive ones are absent.
std::map<int, HWND> ActiveCommandRules(const qmsim::Engine& engine)
{
    std::map<int, HWND> active;
    for (const qmsim::GrammarState& grammar : engine.Snapshot().grammars)
        for (const qmsim::RuleState& rule : grammar.rules)
            if (rule.active && rule.name.compare(0, 7, "builtin") != 0)
                active[std::stoi(rule.name)] = rule.window;
    return active;
}

// Every rule from first to last bound to window (null = global).
std::map<int, HWND> Bound(int first, int last, HWND window)
{
    std::map<int, HWND> rules;
    for (int k = first; k <= last; ++k)
        rules[k] = window;
    return rules;
}

std::map<int, HWND> Joined(std::map<int, HWND> a, const std::map<int, HWND>& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

class TestCommandTest : public ConnectedModuleTest {
protected:
    void TearDown() override
    {
        testCommandText = MakeTestCommandText;
        ConnectedModuleTest::TearDown();
    }

    std::wstring Box(int id) const { return DriverBox(id); }

    std::wstring Statistics()
    {
        return Box(IDC_GLOBAL_COUNT) + L"/" + Box(IDC_APP_COUNT) + L"/" + Box(IDC_WINDOW_COUNT);
    }

    // One utterance; the module must have handed its cookie back.
    void Utterance()
    {
        qmsim::SayResult said = engine.Say("nothing to recognise");
        EXPECT_FALSE(said.stalled);
    }
};

TEST_F(TestCommandTest, EachMenuCountLoadsItsRangesNumberedInLoadOrder)
{
    struct Case {
        WORD item;
        int count, lastGlobal, lastAppSpecific;
    } cases[] = {
        {ID_LOAD_100_COMMANDS, 100, 50, 75},       {ID_LOAD_500_COMMANDS, 500, 250, 375},
        {ID_LOAD_1000_COMMANDS, 1000, 500, 750},   {ID_LOAD_1500_COMMANDS, 1500, 750, 1125},
        {ID_LOAD_2000_COMMANDS, 2000, 1000, 1500}, {ID_LOAD_2500_COMMANDS, 2500, 1250, 1875},
        {ID_LOAD_3500_COMMANDS, 3500, 1750, 2625}, {ID_LOAD_5000_COMMANDS, 5000, 2500, 3750},
        {ID_LOAD_7500_COMMANDS, 7500, 3750, 5625}, {0, 10, 5, 6}, // a count the menu does not offer
    };
    for (const Case& c : cases) {
        if (c.item)
            Menu(c.item);
        else
            controller.commands.loadTestCommands(c.count, Hold(controller));
        EXPECT_EQ(c.count, controller.commands.loadedCount()) << c.count;
        EXPECT_EQ(c.count + 1, controller.commands.nextCommandNumber()) << c.count;
        int number = controller.commands.loadedCount();
        int wrong = 0;
        for (CGramObj* grammar = controller.grammarOwner.commandGrammars(); grammar;
             grammar = grammar->next, --number) {
            bool global = number <= c.lastGlobal, app = !global && number <= c.lastAppSpecific;
            wrong += grammar->number != number || grammar->isSpecific != (global ? 0 : 1) ||
                     grammar->moduleName != (global ? "" : "natspeak") ||
                     grammar->appTitle != (app ? "DragonPad" : "") ||
                     grammar->windowTitle != (global || app ? "" : "Font");
        }
        EXPECT_EQ(0, number) << c.count;
        EXPECT_EQ(0, wrong) << c.count;
        EXPECT_EQ(Bound(1, c.lastGlobal, nullptr), ActiveCommandRules(engine)) << c.count;
        EXPECT_EQ(std::to_wstring(c.lastGlobal) + L"/0/0", Statistics()) << c.count;
        EXPECT_EQ(static_cast<size_t>(c.count + 6), engine.Snapshot().grammars.size()) << c.count;
    }
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(TestCommandTest, LoadingReplacesTheSetAndReportsCreationTimeAndRelease)
{
    Menu(ID_LOAD_1000_COMMANDS);
    ASSERT_TRUE(WaitForDialogLog(dialog, "updating accordingly ...\n\n"));
    ClearLog();
    Menu(ID_LOAD_100_COMMANDS);
    EXPECT_EQ(106u, engine.Snapshot().grammars.size());
    EXPECT_EQ(Bound(1, 50, nullptr), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/0/0", Statistics());
    ASSERT_TRUE(WaitForDialogLog(dialog, "updating accordingly ...\n\n"));
    std::string log = DialogLogText(dialog);
    const std::string expected[] = {
        "\n>> Releasing 1000 commands ... please wait ... done in ",
        " ms.\n>> Creating and loading 100 commands: Test 1-100 ...\n... Test 1-50 as Global Commands, already "
        "activated,\n... Test 51-75 as App-Specific for DragonPad,\n... Test 76-100 as Window-Specific for "
        "DragonPad, Font Dialog.\n>> This may take some time, please wait ...\n\n... done in ",
        " ms.\n\n>> Test recognition by dictating some of them now, given the ranges above.\n>> Start with the "
        "global commands, and then switch to DragonPad and the\n>> DragonPad Font Dialog, to check activating and "
        "deactivating on-the-fly.\n>> Keep watching the \"Activation Statistics\" updating accordingly ...\n\n",
    };
    size_t at = 0;
    for (const std::string& part : expected) {
        at = log.find(part, at);
        ASSERT_NE(std::string::npos, at) << part << "\nlog:\n" << log;
    }

    ClearLog();
    Menu(ID_RELEASE_ALL_COMMANDS);
    EXPECT_EQ(6u, engine.Snapshot().grammars.size());
    EXPECT_EQ(L"0/0/0", Statistics());
    EXPECT_TRUE(WaitForDialogLog(dialog, "\n>> Releasing 100 commands ... please wait ... done in "));
}

TEST_F(TestCommandTest, SpecificCommandsFollowTheForegroundWindowAtEveryUtteranceBegin)
{
    controller.commands.loadTestCommands(100, Hold(controller));
    const std::map<int, HWND> global = Bound(1, 50, nullptr);

    HWND pad = Foreground(L"DragonPad - Document");
    Utterance();
    EXPECT_EQ(Joined(global, Bound(51, 75, pad)), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/25/0", Statistics());
    EXPECT_EQ(L"natspeak", Box(IDC_UTTERANCE_MODULE));
    EXPECT_EQ(L"DragonPad - Document", Box(IDC_UTTERANCE_WINDOW));
    EXPECT_EQ(std::to_wstring(reinterpret_cast<UINT_PTR>(pad)), Box(IDC_UTTERANCE_HWND));

    // The Font dialog: its commands come on; DragonPad's stay bound to DragonPad.
    HWND font = Foreground(L"Font");
    Utterance();
    EXPECT_EQ(Joined(global, Joined(Bound(51, 75, pad), Bound(76, 100, font))), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/0/25", Statistics());
    Utterance(); // a second utterance in the same window changes nothing
    EXPECT_EQ(Joined(global, Joined(Bound(51, 75, pad), Bound(76, 100, font))), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/0/25", Statistics());

    // Only the first 9 characters of the title count, and only at its start.
    HWND longer = Foreground(L"DragonPad9 and more");
    Utterance();
    EXPECT_EQ(Joined(global, Joined(Bound(51, 75, longer), Bound(76, 100, font))), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/25/0", Statistics());
    Foreground(L"My DragonPad");
    Utterance();
    EXPECT_EQ(Joined(global, Joined(Bound(51, 75, longer), Bound(76, 100, font))), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/0/0", Statistics());

    // An empty title matches the window-specific commands' empty app title, and the
    // app-specific commands' empty window title.
    HWND untitled = Foreground(L"");
    Utterance();
    EXPECT_EQ(Joined(global, Bound(51, 100, untitled)), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/25/25", Statistics());
    EXPECT_EQ(L"", Box(IDC_UTTERANCE_WINDOW));

    // Another program: every specific command goes.
    engine.Options().windowModulePath = kOtherPath;
    HWND other = Foreground(L"Font");
    Utterance();
    EXPECT_EQ(global, ActiveCommandRules(engine));
    EXPECT_EQ(L"50/0/0", Statistics());
    EXPECT_EQ(L"Other.Program", Box(IDC_UTTERANCE_MODULE));
    EXPECT_EQ(std::to_wstring(reinterpret_cast<UINT_PTR>(other)), Box(IDC_UTTERANCE_HWND));

    // Back in DragonPad, after a release: no statistics, but the utterance boxes follow.
    engine.Options().windowModulePath = kDragonPath;
    controller.commands.releaseAll(Hold(controller));
    SetForegroundWindow(pad);
    Foreground(L"DragonPad - Second");
    Utterance();
    EXPECT_EQ(L"0/0/0", Statistics());
    EXPECT_EQ(L"DragonPad - Second", Box(IDC_UTTERANCE_WINDOW));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST(FontDialogTitle, FollowsThePrimaryLanguage)
{
    EXPECT_STREQ("Schriftart", FontDialogTitle(0x07));
    EXPECT_STREQ("Lettertype", FontDialogTitle(0x13));
    EXPECT_STREQ("Font", FontDialogTitle(0x09));
    EXPECT_STREQ("Font", FontDialogTitle(0x0C));
}

TEST_F(TestCommandTest, HookErrorsAreLoggedAndLeaveBoxesAndActivationAsTheyWere)
{
    controller.commands.loadTestCommands(100, Hold(controller));
    HWND pad = Foreground(L"DragonPad - Document");
    Utterance();
    const std::map<int, HWND> before = ActiveCommandRules(engine);
    ClearLog();

    engine.Options().windowModulePath = kOtherPath;
    Foreground(L"Elsewhere");
    const std::pair<HRESULT, const char*> errors[] = {
        {HOOKERR_INJECTFAILED, ">> HOOKERR_INJECTFAILED\n"},
        {HOOKERR_CANNOTINJECT, ">> HOOKERR_CANNOTINJECT\n"},
        {E_INVALIDARG, ">> SRERR_INVALIDPARAM\n"},
    };
    for (const auto& error : errors) {
        engine.Options().windowModuleError = error.first;
        Utterance();
        EXPECT_TRUE(WaitForDialogLog(dialog, error.second)) << error.second;
    }
    EXPECT_EQ(before, ActiveCommandRules(engine));
    EXPECT_EQ(L"50/25/0", Statistics());
    EXPECT_EQ(L"DragonPad - Document", Box(IDC_UTTERANCE_WINDOW));
    EXPECT_EQ(std::to_wstring(reinterpret_cast<UINT_PTR>(pad)), Box(IDC_UTTERANCE_HWND));

    // Too small once: asked again with the needed size, and read in full.
    engine.Options().windowModuleError = S_OK;
    engine.Options().windowModuleTooSmall = 1;
    Utterance();
    EXPECT_EQ(L"Other.Program", Box(IDC_UTTERANCE_MODULE));
    EXPECT_EQ(Bound(1, 50, nullptr), ActiveCommandRules(engine));
    // Too small twice: the second answer counts as success with nothing read.
    engine.Options().windowModulePath = kDragonPath;
    engine.Options().windowModuleTooSmall = 2;
    Foreground(L"DragonPad - Document");
    Utterance();
    EXPECT_EQ(L"", Box(IDC_UTTERANCE_MODULE));
    EXPECT_EQ(L"50/0/0", Statistics());
    size_t tooSmall = 0;
    for (const std::string& line : engine.Transcript())
        tooSmall += line.find("window-module query: capacity") != std::string::npos;
    EXPECT_EQ(3u, tooSmall);
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(TestCommandTest, WithoutTheWindowModuleQueryTheCookieStillGoesBack)
{
    controller.windowModule.Reset();
    Utterance();
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"Utterance begin failed with: (HRESULT 0x80004003)", boxes.boxes[0].text);
}

TEST_F(TestCommandTest, ACompileFailureInRoundOneLeavesNothingAndNoStatistics)
{
    controller.commands.loadTestCommands(100, Hold(controller));
    ASSERT_TRUE(WaitForDialogLog(dialog, "updating accordingly ...\n\n"));
    ClearLog();
    testCommandText = [](int) { return std::string("<1> exported = ;\n"); };
    controller.commands.loadTestCommands(100, Hold(controller));
    EXPECT_EQ(0, controller.commands.loadedCount());
    EXPECT_EQ(6u, engine.Snapshot().grammars.size());
    ASSERT_TRUE(WaitForDialogLog(dialog, "Compiling from string failed."));
    Sleep(200);
    std::string log = DialogLogText(dialog);
    const std::string end = ">> This may take some time, please wait ...\nCompiling from string failed.";
    EXPECT_EQ(log.size() - end.size(), log.find(end)) << log;
    EXPECT_EQ(L"0/0/0", Statistics());
    EXPECT_EQ(std::string::npos, log.find("\n... done in ")) << log;
    EXPECT_FALSE(boxes.boxes.empty()); // the compiler's own box
}

TEST_F(TestCommandTest, ALoadFailureInRoundKKeepsTheCommandsBeforeItClassifiedByTheFullCount)
{
    engine.Options().grammarLoadsBeforeError = 59; // round 60 is refused
    controller.commands.loadTestCommands(100, Hold(controller));
    EXPECT_EQ(59, controller.commands.loadedCount());
    EXPECT_EQ(60, controller.commands.nextCommandNumber());
    EXPECT_EQ(Bound(1, 50, nullptr), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/0/0", Statistics());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"COM Error", boxes.boxes[0].caption);
    EXPECT_EQ(0u, boxes.boxes[0].text.find(L"Grammar load failed with: (HRESULT 0x80004005)"));
    EXPECT_TRUE(WaitForDialogLog(dialog, "\nGrammar failed to load in round 60 ...\n\n\n... done in "));

    engine.Options().grammarLoadsBeforeError = -1;
    HWND pad = Foreground(L"DragonPad - Document");
    Utterance();
    EXPECT_EQ(Joined(Bound(1, 50, nullptr), Bound(51, 59, pad)), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/9/0", Statistics());
}

TEST_F(TestCommandTest, ARefusedActivationCostsOnlyThatCommand)
{
    engine.Options().activateError = E_ACCESSDENIED;
    engine.Options().activateErrorRule = "7";
    controller.commands.loadTestCommands(100, Hold(controller));
    std::map<int, HWND> expected = Bound(1, 50, nullptr);
    expected.erase(7);
    EXPECT_EQ(expected, ActiveCommandRules(engine));
    EXPECT_EQ(L"49/0/0", Statistics());
    EXPECT_TRUE(WaitForDialogLog(dialog, "\nGrammar Object failed to activate command Test 7 ...\n\n"));

    engine.Options().activateErrorRule = "60";
    HWND pad = Foreground(L"DragonPad - Document");
    Utterance();
    std::map<int, HWND> app = Bound(51, 75, pad);
    app.erase(60);
    EXPECT_EQ(Joined(expected, app), ActiveCommandRules(engine));
    EXPECT_EQ(L"49/24/0", Statistics());
    EXPECT_TRUE(WaitForDialogLog(dialog, "\nGrammar Object failed to activate command Test 60 ...\n\n"));
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(L"COM Error", boxes.boxes[1].caption);
}

TEST_F(TestCommandTest, ReleasingAllWhileAnActivationBoxIsOpenEndsTheWalk)
{
    engine.Options().activateError = E_ACCESSDENIED;
    engine.Options().activateErrorRule = "30";
    boxes.whileOpen = [this](const RecordedBox&) { Menu(ID_RELEASE_ALL_COMMANDS); };
    controller.commands.loadTestCommands(100, Hold(controller));
    EXPECT_EQ(0, controller.commands.loadedCount());
    EXPECT_EQ(6u, engine.Snapshot().grammars.size());
    EXPECT_EQ(L"0/0/0", Statistics());

    // The same inside the walk of an utterance begin.
    boxes.whileOpen = nullptr;
    engine.Options().activateErrorRule = "60";
    controller.commands.loadTestCommands(100, Hold(controller));
    boxes.whileOpen = [this](const RecordedBox&) { Menu(ID_RELEASE_ALL_COMMANDS); };
    Foreground(L"DragonPad - Document");
    Utterance();
    EXPECT_EQ(0, controller.commands.loadedCount());
    EXPECT_EQ(6u, engine.Snapshot().grammars.size());
    EXPECT_EQ(2u, boxes.boxes.size());
}

} // namespace

namespace {

TEST_F(TestCommandTest, UtteranceBeginsQueuedTogetherAreHandledInOrderEachCookieOnce)
{
    controller.commands.loadTestCommands(100, Hold(controller));
    HWND pad = Foreground(L"DragonPad - Document");
    // Both begins are posted before the event hub gets to run.
    const DWORD first = engine.BeginUtterance("nothing");
    const DWORD second = engine.BeginUtterance("nothing");
    ASSERT_TRUE(PumpUntil([&] { return engine.UtteranceResumed(first) && engine.UtteranceResumed(second); }));
    engine.FinishUtterance(first);
    engine.FinishUtterance(second);

    std::vector<std::string> order;
    for (const std::string& line : engine.Transcript()) {
        if (line.find("resume with unexpected cookie") != std::string::npos)
            ADD_FAILURE() << line;
        if (line.find("utterance begin cookie ") != std::string::npos || line.find("resume cookie ") != std::string::npos)
            order.push_back(line.substr(line.find("0x"), 21));
    }
    // Begun first, second; handed back first, second.
    ASSERT_EQ(4u, order.size());
    EXPECT_EQ(order[0], order[2]);
    EXPECT_EQ(order[1], order[3]);
    EXPECT_NE(order[0], order[1]);
    EXPECT_EQ(Joined(Bound(1, 50, nullptr), Bound(51, 75, pad)), ActiveCommandRules(engine));
    EXPECT_EQ(L"50/25/0", Statistics());
}

TEST_F(TestCommandTest, WithNothingLoadedTheStatisticsBoxesAreNotRewritten)
{
    const struct {
        const char* what;
        std::function<void()> act;
    } cases[] = {
        {"a compile failure in round 1",
         [&] {
             testCommandText = [](int) { return std::string("<1> exported = ;\n"); };
             controller.commands.loadTestCommands(100, Hold(controller));
         }},
        {"an utterance begin", [&] { Utterance(); }},
    };
    for (const auto& c : cases) {
        // Counts the boxes do not show: a refresh would write them.
        CommandHostProbe::setActivationCounts(controller.commands, 7, 8, 9);
        c.act();
        EXPECT_EQ(0, controller.commands.loadedCount()) << c.what;
        EXPECT_EQ(L"0/0/0", Statistics()) << c.what;
    }
}

} // namespace

TEST_F(TestCommandTest, AnUtteranceInTheSameWindowCallsNothingUntilARuleStateChanged)
{
    controller.commands.loadTestCommands(100, Hold(controller));
    HWND pad = Foreground(L"DragonPad - Document");
    Utterance();
    const std::map<int, HWND> settled = Joined(Bound(1, 50, nullptr), Bound(51, 75, pad));
    ASSERT_EQ(settled, ActiveCommandRules(engine));

    // Only the window-module query and the resume reach the engine.
    auto utteranceCalls = [this] {
        engine.ResetEngineCallTime();
        Utterance();
        return engine.EngineCallTime().calls;
    };
    EXPECT_EQ(2u, utteranceCalls());
    EXPECT_EQ(L"50/25/0", Statistics());

    // A rule the module itself deactivated meanwhile comes back at the next utterance.
    CGramObj* sixty = controller.grammarOwner.commandGrammars();
    for (int number = controller.commands.loadedCount(); number > 60; --number)
        sixty = sixty->next;
    sixty->deactivate("60");
    EXPECT_LT(2u, utteranceCalls());
    EXPECT_EQ(settled, ActiveCommandRules(engine));
    EXPECT_EQ(2u, utteranceCalls());

    // A refused activation is tried, and reported, at every utterance.
    engine.Options().activateError = E_ACCESSDENIED;
    engine.Options().activateErrorRule = "60";
    sixty->deactivate("60");
    for (size_t shown = 1; shown <= 2; ++shown) {
        ClearLog();
        Utterance();
        EXPECT_TRUE(WaitForDialogLog(dialog, "\nGrammar Object failed to activate command Test 60 ...\n\n"));
        EXPECT_EQ(L"50/24/0", Statistics());
        EXPECT_EQ(shown, boxes.boxes.size());
    }
}
