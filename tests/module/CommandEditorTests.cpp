// The command editor, worked through its controls as a person would: the template, the list
// picker, the state of the buttons after each of them, the marks on the screen, adding
// global and specific commands, and what the added commands do when they are said; the
// editor opened from the menu while other work goes on.
#include "CommandHostProbe.h"
#include "ConnectedModule.h"
#include "GramParser.h"
#include "ModuleInstance.h"
#include "../../module/CommandEditor.h"
#include "../../commands/ScriptRunner.h"
#include "../../grammar/CGramObj.h"
#include "../support/ScreenColour.h"

#include <vector>

namespace {

enum class Scope { Global, App, Window };

class CommandEditorTest : public ConnectedModuleTest {
protected:
    void TearDown() override
    {
        if (editor)
            DestroyWindow(editor);
        ConnectedModuleTest::TearDown();
    }

    void Open(int title = 0)
    {
        const CommandEditorStart start{&controller, title};
        editor = CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_COMMAND_EDITOR), nullptr,
                                    CommandEditorProc, reinterpret_cast<LPARAM>(&start));
        ASSERT_NE(nullptr, editor);
        ShowWindow(editor, SW_SHOW);
    }

    // Only what a person could click: a disabled control takes no click.
    void Click(int id)
    {
        HWND control = GetDlgItem(editor, id);
        ASSERT_TRUE(IsWindowEnabled(control)) << "control " << id << " is disabled";
        SendMessageW(control, BM_CLICK, 0, 0);
    }

    void Pick(int index)
    {
        HWND picker = GetDlgItem(editor, IDC_LIST_PICKER);
        SendMessageW(picker, CB_SETCURSEL, index, 0);
        SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_LIST_PICKER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(picker));
    }

    void Type(int id, const wchar_t* text) { SetDlgItemTextW(editor, id, text); }

    std::wstring Text(int id) const { return WindowTextOf(GetDlgItem(editor, id)); }

    // Enabled controls as "Construct Compile | ScriptBox CheckScript ScriptClear | Add | Radios".
    std::string States() const
    {
        const auto on = [&](int id) { return IsWindowEnabled(GetDlgItem(editor, id)) ? '1' : '0'; };
        return std::string{on(IDC_CONSTRUCT), on(IDC_COMPILE), ' ', on(IDC_SCRIPT), on(IDC_CHECK_SCRIPT),
                           on(IDC_CLEAR_SCRIPT), ' ', on(IDC_ADD), ' ', on(IDC_SCOPE_GLOBAL), on(IDC_SCOPE_APP),
                           on(IDC_SCOPE_WINDOW)};
    }

    ScreenColour MarkColour(int id)
    {
        SetWindowPos(editor, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpUntil([] { return false; }, 250); // the display shows what was painted
        return ScreenColourOfArea(GetDlgItem(editor, id));
    }

    bool Focused(int id) const
    {
        HWND control = GetDlgItem(editor, id);
        HWND focus = GetFocus();
        return focus == control || IsChild(control, focus);
    }

    // Name, lists, "Construct", "Compile", script, "Check Script" and the scope: ready to add.
    void Prepare(const wchar_t* name, std::vector<int> picks, const wchar_t* script, Scope scope = Scope::Global)
    {
        Type(IDC_COMMAND_NAME, name);
        for (int pick : picks)
            Pick(pick);
        Click(IDC_CONSTRUCT);
        Click(IDC_COMPILE);
        Type(IDC_SCRIPT, script);
        Click(IDC_CHECK_SCRIPT);
        if (scope != Scope::Global) // checked from the start
            Click(scope == Scope::App ? IDC_SCOPE_APP : IDC_SCOPE_WINDOW);
    }

    bool Active(const std::string& rule, HWND window = nullptr) const
    {
        for (const qmsim::GrammarState& grammar : engine.Snapshot().grammars)
            for (const qmsim::RuleState& state : grammar.rules)
                if (state.name == rule && state.active && state.window == window)
                    return true;
        return false;
    }

    HWND editor = nullptr;
};

TEST_F(CommandEditorTest, TheTemplateHasItsControlsTextsAndPlaces)
{
    Open();
    const struct {
        int id;
        const wchar_t* className;
        const wchar_t* text;
        RECT units; // left, top, width, height
        bool enabled;
        DWORD style; // bits that must be set
    } controls[] = {
        {IDC_COMMAND_NAME, L"Edit", L"", {9, 163, 316, 14}, true, 0},
        {IDC_LIST_PICKER, L"ComboBox", L"- Insert List -", {333, 164, 68, 0}, true, CBS_DROPDOWN},
        {IDC_CONSTRUCT, L"Button", L"Construct", {353, 198, 48, 14}, true, 0},
        {IDC_COMPILE, L"Button", L"Compile", {353, 217, 48, 14}, false, 0},
        {IDC_CLEAR_GRAMMAR, L"Button", L"Clear", {353, 236, 48, 14}, true, 0},
        {IDC_GRAMMAR, L"Edit", L"", {9, 199, 326, 50}, true, ES_MULTILINE | ES_READONLY},
        {IDC_LISTS_USED, L"Edit", L"", {9, 266, 326, 38}, true, ES_MULTILINE | ES_READONLY},
        {IDC_GRAMMAR_STATUS, L"Edit", L"", {31, 313, 304, 14}, true, ES_READONLY | ES_CENTER},
        {IDC_GRAMMAR_MARK, L"Static", L"", {350, 314, 13, 11}, true, SS_BITMAP | SS_CENTERIMAGE},
        {IDC_SCRIPT, L"Edit", L"", {9, 351, 326, 35}, false, ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL},
        {IDC_CHECK_SCRIPT, L"Button", L"Check Script", {351, 352, 50, 14}, false, 0},
        {IDC_CLEAR_SCRIPT, L"Button", L"Clear", {351, 371, 50, 14}, false, 0},
        {IDC_SCRIPT_STATUS, L"Edit", L"", {32, 394, 304, 14}, true, ES_READONLY | ES_CENTER},
        {IDC_SCRIPT_MARK, L"Static", L"", {350, 395, 13, 11}, true, SS_BITMAP | SS_CENTERIMAGE},
        {IDC_SCOPE_GLOBAL, L"Button", L" Global", {21, 429, 37, 10}, false, BS_AUTORADIOBUTTON},
        {IDC_SCOPE_APP, L"Button", L" App-Specific (DragonPad)", {86, 429, 97, 10}, false, BS_AUTORADIOBUTTON},
        {IDC_SCOPE_WINDOW, L"Button", L" Window-Specific (DragonPad, Font)", {204, 429, 126, 10}, false,
         BS_AUTORADIOBUTTON},
        {IDC_ADD, L"Button", L"Add", {351, 427, 50, 14}, false, 0},
        {IDCANCEL, L"Button", L"Close", {178, 456, 50, 14}, true, BS_DEFPUSHBUTTON},
    };
    for (const auto& c : controls) {
        HWND control = GetDlgItem(editor, c.id);
        ASSERT_NE(nullptr, control) << c.id;
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        EXPECT_EQ(0, lstrcmpiW(c.className, className)) << c.id;
        EXPECT_EQ(c.text, Text(c.id)) << c.id;
        EXPECT_EQ(c.enabled, IsWindowEnabled(control) != FALSE) << c.id;
        const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
        EXPECT_EQ(c.style, style & c.style) << c.id;
        // The dialog manager maps the position and the size, each rounded on its own.
        RECT expected = c.units;
        MapDialogRect(editor, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(expected.left, actual.left) << c.id;
        EXPECT_EQ(expected.top, actual.top) << c.id;
        EXPECT_EQ(expected.right, actual.right) << c.id;
        if (c.units.bottom) { // a combo box's height is its drop-down's
            EXPECT_EQ(expected.bottom, actual.bottom) << c.id;
        }
    }
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), IsDlgButtonChecked(editor, IDC_SCOPE_GLOBAL));
    const wchar_t* const items[] = {L"- Insert List -", L"OneToTen", L"UpDownLeftRight", L"OnOff", L"dgndictation"};
    HWND picker = GetDlgItem(editor, IDC_LIST_PICKER);
    ASSERT_EQ(5, SendMessageW(picker, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < 5; ++i) {
        wchar_t item[32] = {};
        SendMessageW(picker, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(items[i], item);
    }
    EXPECT_NE(0, SendMessageW(editor, WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(0, SendMessageW(editor, WM_GETICON, ICON_SMALL, 0));

    // The help text: eleven lines above the controls, top to bottom.
    std::vector<std::wstring> help;
    for (HWND child = GetWindow(editor, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&place), 2);
        RECT limit = {0, 0, 0, 131};
        MapDialogRect(editor, &limit);
        if (place.bottom <= limit.bottom)
            help.push_back(WindowTextOf(child));
    }
    ASSERT_EQ(11u, help.size());
    EXPECT_EQ(L"NOTE: All of this is just for testing and demonstration purposes. None of it will become part of "
              L"the final product. :)",
              help[0]);
    EXPECT_EQ(L"(2)  Click \"Construct\" which willl  autofill  the SAPI4 syntax in the \"Grammar\" box. Click "
              L"\"Compile\" which will parse and compile",
              help[3]);
    EXPECT_EQ(L"When dictating custom commands, watch for the diagnostic messages showing in the main window.",
              help[10]);

    // The title follows the creation parameter.
    const struct {
        int creation;
        const wchar_t* title;
    } titles[] = {
        {0, L"Quillmoor 2023 Testing - Command Editor - Adding a New Command"},
        {1, L"Quillmoor 2023 Testing - Command Editor - Editing a Command"},
        {2, L"Quillmoor 2023 Testing - Command Editor - Copying a Command"},
        {3, L"New Command"},
    };
    for (const auto& t : titles) {
        DestroyWindow(editor);
        Open(t.creation);
        EXPECT_EQ(t.title, WindowTextOf(editor));
    }
}

// Each editor works with the controller that opened it, whichever other controller exists.
TEST_F(CommandEditorTest, TheEditorWorksWithTheControllerThatOpenedIt)
{
    ModuleController other; // never connected
    CommandHostProbe::setNextCommandNumber(controller.commands, 7);
    CommandHostProbe::setNextCommandNumber(other.commands, 3);
    Open();
    Type(IDC_COMMAND_NAME, L"Move");
    Click(IDC_CONSTRUCT);
    EXPECT_EQ(L"<7> exported = Move;", Text(IDC_GRAMMAR));

    DestroyWindow(editor);
    const CommandEditorStart start{&other, 0};
    editor = CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_COMMAND_EDITOR), nullptr, CommandEditorProc,
                                reinterpret_cast<LPARAM>(&start));
    ASSERT_NE(nullptr, editor);
    Type(IDC_COMMAND_NAME, L"Move");
    Click(IDC_CONSTRUCT);
    EXPECT_EQ(L"<3> exported = Move;", Text(IDC_GRAMMAR));
    Click(IDC_COMPILE);
    EXPECT_EQ(L"Controller pointer not available.", Text(IDC_GRAMMAR_STATUS));
    DestroyWindow(editor);
    editor = nullptr;
}

TEST_F(CommandEditorTest, ThePickerAppendsReferencesAndDefinesEachListOnce)
{
    Open();
    Type(IDC_COMMAND_NAME, L"Move");
    Type(IDC_LISTS_USED, L"old lines");
    Pick(2);
    EXPECT_EQ(L"Move <UpDownLeftRight> ", Text(IDC_COMMAND_NAME));
    EXPECT_EQ(L"<UpDownLeftRight> = {UpDownLeftRight};\r\n", Text(IDC_GRAMMAR));
    EXPECT_EQ(L"", Text(IDC_LISTS_USED));
    EXPECT_EQ(0, SendDlgItemMessageW(editor, IDC_LIST_PICKER, CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Focused(IDC_COMMAND_NAME));
    Pick(3);
    Pick(3);
    Pick(0);
    Pick(4);
    EXPECT_EQ(L"Move <UpDownLeftRight>  <OnOff>  <OnOff>  <dgndictation> ", Text(IDC_COMMAND_NAME));
    EXPECT_EQ(L"<UpDownLeftRight> = {UpDownLeftRight};\r\n<OnOff> = {OnOff};\r\n<dgndictation> imported;\r\n",
              Text(IDC_GRAMMAR));

    // Typing "<" leaves it out and moves on to the picker; of "<<" one stays.
    Type(IDC_COMMAND_NAME, L"Move <");
    EXPECT_EQ(L"Move ", Text(IDC_COMMAND_NAME));
    EXPECT_TRUE(Focused(IDC_LIST_PICKER));
    Type(IDC_COMMAND_NAME, L"a<<");
    EXPECT_EQ(L"a<", Text(IDC_COMMAND_NAME));
}

TEST_F(CommandEditorTest, ConstructAndCompileBuildTheGrammarAndListWhatItUses)
{
    Open();
    Type(IDC_COMMAND_NAME, L"Move");
    Pick(2);
    Click(IDC_CONSTRUCT);
    EXPECT_EQ(L"Move <UpDownLeftRight>", Text(IDC_COMMAND_NAME));
    EXPECT_EQ(L"<UpDownLeftRight> = {UpDownLeftRight};\r\n<1> exported = Move <UpDownLeftRight>;", Text(IDC_GRAMMAR));
    EXPECT_EQ(L"You may now compile the grammar.", Text(IDC_GRAMMAR_STATUS));
    EXPECT_TRUE(Focused(IDC_COMMAND_NAME));
    Click(IDC_COMPILE);
    EXPECT_EQ(L"Compiling the grammar succeeded. Now enter a DVC script in the box below.", Text(IDC_GRAMMAR_STATUS));
    EXPECT_EQ(L"<UpDownLeftRight>: Up | Down | Left | Right\r\n", Text(IDC_LISTS_USED));
    EXPECT_TRUE(Focused(IDC_SCRIPT));

    const struct {
        std::vector<int> picks;
        const wchar_t* lists;
    } cases[] = {
        {{1}, L"<OneToTen>: 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 9 | 10\r\n"},
        {{3, 1, 4}, L"<OnOff>: On | Off | On and Off\r\n<OneToTen>: 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 9 | 10\r\n"
                    L"<dgndictation>: - any word(s) ...\r\n"},
    };
    for (const auto& c : cases) {
        Click(IDC_CLEAR_GRAMMAR);
        Type(IDC_COMMAND_NAME, L"Say");
        for (int pick : c.picks)
            Pick(pick);
        Click(IDC_CONSTRUCT);
        Click(IDC_COMPILE);
        EXPECT_EQ(c.lists, Text(IDC_LISTS_USED));
    }
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(CommandEditorTest, TheStateTableAndTheMarksHoldAfterEachButton)
{
    Open();
    const struct {
        std::function<void()> step;
        const char* states; // Construct Compile | script box, Check Script, script Clear | Add | radios
        const wchar_t* grammarStatus;
        ScreenColour grammarMark, scriptMark;
    } steps[] = {
        {[] {}, "10 000 0 000", L"", ScreenColour::Neither, ScreenColour::Neither},
        {[&] { Click(IDC_CONSTRUCT); }, "10 000 0 000", L"", ScreenColour::Neither, ScreenColour::Neither},
        {[&] { Type(IDC_COMMAND_NAME, L"Move ["); Click(IDC_CONSTRUCT); }, "01 000 0 000",
         L"You may now compile the grammar.", ScreenColour::Neither, ScreenColour::Neither},
        {[&] { Click(IDC_COMPILE); }, "10 000 0 000",
         L"Compiling the grammar failed. You need to edit and correct the command syntax.", ScreenColour::Red,
         ScreenColour::Neither},
        {[&] { Type(IDC_COMMAND_NAME, L"Move"); Click(IDC_CONSTRUCT); Click(IDC_COMPILE); }, "00 111 0 000",
         L"Compiling the grammar succeeded. Now enter a DVC script in the box below.", ScreenColour::Green,
         ScreenColour::Neither},
        {[&] { Type(IDC_SCRIPT, L"Frobnicate"); Click(IDC_CHECK_SCRIPT); }, "00 111 0 000", nullptr,
         ScreenColour::Green, ScreenColour::Red},
        {[&] { Type(IDC_SCRIPT, L"Beep"); Click(IDC_CHECK_SCRIPT); }, "00 111 1 111", nullptr, ScreenColour::Green,
         ScreenColour::Green},
        {[&] { Type(IDC_SCRIPT, L"Frobnicate"); Click(IDC_CHECK_SCRIPT); }, "00 111 1 111", nullptr,
         ScreenColour::Green, ScreenColour::Red},
        {[&] { Click(IDC_CLEAR_SCRIPT); }, "00 111 1 111", nullptr, ScreenColour::Green, ScreenColour::Neither},
        {[&] { Type(IDC_SCRIPT, L"Beep"); Click(IDC_CHECK_SCRIPT); Click(IDC_ADD); }, "10 000 0 000",
         L"Command loaded successfully. Add another one, or close the window now.", ScreenColour::Neither,
         ScreenColour::Neither},
        {[&] { Type(IDC_COMMAND_NAME, L"Stop"); Click(IDC_CONSTRUCT); Click(IDC_COMPILE); Click(IDC_CLEAR_GRAMMAR); },
         "10 111 0 000", L"", ScreenColour::Neither, ScreenColour::Neither},
        {[&] {
             Type(IDC_COMMAND_NAME, L"Stop");
             Click(IDC_CONSTRUCT);
             Click(IDC_COMPILE);
             Type(IDC_SCRIPT, L"Beep");
             Click(IDC_CHECK_SCRIPT);
             engine.Options().grammarLoadError = E_FAIL;
             Click(IDC_ADD);
             engine.Options().grammarLoadError = S_OK;
         },
         "00 001 0 000", L"Compiling the grammar succeeded. Now enter a DVC script in the box below.",
         ScreenColour::Green, ScreenColour::Green},
    };
    int index = 0;
    for (const auto& s : steps) {
        s.step();
        EXPECT_EQ(s.states, States()) << "step " << index;
        if (s.grammarStatus) {
            EXPECT_EQ(s.grammarStatus, Text(IDC_GRAMMAR_STATUS)) << "step " << index;
        }
        EXPECT_EQ(s.grammarMark, MarkColour(IDC_GRAMMAR_MARK)) << "step " << index;
        EXPECT_EQ(s.scriptMark, MarkColour(IDC_SCRIPT_MARK)) << "step " << index;
        ++index;
    }
    EXPECT_EQ(L"<2> exported = Stop;", Text(IDC_GRAMMAR)); // kept by the failed "Add"
    const std::string log = SettledLog();
    EXPECT_NE(std::string::npos, log.find("\nCommand: \"Move\" added.\n")) << log;
    EXPECT_NE(std::string::npos, log.find("\nCommand: \"Stop failed to add!\n")) << log;

    // The boxes of the way: the empty name, the compile error, the script errors, the refused load.
    std::string shown = Describe(boxes.boxes);
    EXPECT_NE(std::string::npos, shown.find("[Error] You minimally need to create a command name for this.\n"));
    EXPECT_NE(std::string::npos, shown.find("[Error] Error 1 compiling script:\n\nFrobnicate\n\n(line 1)\n"));
    EXPECT_NE(std::string::npos, shown.find("[COM Error] Grammar load failed with:"));
}

TEST_F(CommandEditorTest, AnEmptyScriptIsRefusedWithABox)
{
    Open();
    Prepare(L"Move", {}, L"");
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"You mininmally need to enter a line of script!", boxes.boxes[0].text);
    EXPECT_EQ(GetForegroundWindow(), boxes.boxes[0].owner);
    EXPECT_TRUE(Focused(IDC_SCRIPT));
    EXPECT_EQ("00 111 0 000", States());
}

TEST_F(CommandEditorTest, AGlobalCommandIsActiveAtOnceAndItsScriptRunsWithTheSpokenValue)
{
    Open();
    Prepare(L"Move", {2}, L"TTSPlayString _arg1");
    EXPECT_EQ(L"0", DriverBox(IDC_GLOBAL_COUNT));
    Click(IDC_ADD);
    EXPECT_EQ(L"1", DriverBox(IDC_GLOBAL_COUNT));
    EXPECT_TRUE(Active("1"));
    EXPECT_EQ(1, controller.commands.loadedCount());
    EXPECT_EQ(2, controller.commands.nextCommandNumber());
    ASSERT_EQ(1u, controller.commands.scripts().size());
    EXPECT_EQ(1, controller.commands.scripts()[0].number);
    EXPECT_EQ("TTSPlayString _arg1", controller.commands.scripts()[0].script);
    for (int id : {IDC_COMMAND_NAME, IDC_GRAMMAR, IDC_SCRIPT, IDC_SCRIPT_STATUS})
        EXPECT_EQ(L"", Text(id)) << id;
    EXPECT_EQ(L"<UpDownLeftRight>: Up | Down | Left | Right\r\n", Text(IDC_LISTS_USED));
    EXPECT_TRUE(WaitForDialogLog(dialog, "\nCommand: \"Move <UpDownLeftRight>\" added.\n"));

    ClearLog();
    QuitGuard guard(later);
    const DWORD cookie = scriptSerial + 1;
    ASSERT_TRUE(engine.Say("Move Left").recognised);
    EXPECT_TRUE(TranscriptHas("script " + std::to_string(cookie) + " values [\"Left\"]"));
    EXPECT_TRUE(TranscriptHas("script " + std::to_string(cookie) + " action TTSPlayString \"Left\""));
    const std::string log = SettledLog();
    EXPECT_NE(std::string::npos, log.find(">> Move Left <<\nAssociated Script: TTSPlayString _arg1\nRule ")) << log;
    EXPECT_NE(std::string::npos, log.find("Lists: <_arg1 = Left> \n76|101|102|116|0|0|0|0|0|0|0|0|\n")) << log;
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    EXPECT_FALSE(guard.fired());
}

TEST_F(CommandEditorTest, SaidCommandsRunWhatTheirScriptsSayOrNothing)
{
    QuitGuard guard(later);
    Open();
    const struct {
        const wchar_t* name;
        std::vector<int> picks;
        const wchar_t* checked;   // the script checked
        const wchar_t* added;     // what the script box holds at "Add"
        const char* said;
        const char* transcript;   // after "script N", or null: no run
        const char* boxes;        // the boxes the recognition shows
    } cases[] = {
        {L"Say", {4}, L"TTSPlayString _arg1", L"TTSPlayString _arg1", "Say hello world",
         " values [\"hello world \"]", ""},
        {L"Greet", {}, L"Beep", L"Beep", "Greet", " action Beep", ""},
        {L"Quiet", {}, L"Beep", L"", "Quiet", nullptr, ""},
        {L"Broken", {}, L"Beep", L"Frobnicate", "Broken", nullptr,
         "[Error] Error 1 compiling script:\n\nFrobnicate\n\n(line 1)\n[Error] execScript() failed\n"},
        {L"Point", {2}, L"TTSPlayString _arg2", L"TTSPlayString _arg2", "Point Up", " error 6", "[Error] execScript() failed\n"},
    };
    for (const auto& c : cases) {
        Prepare(c.name, c.picks, c.checked);
        Type(IDC_SCRIPT, c.added);
        Click(IDC_ADD);
        ASSERT_EQ("10 000 0 000", States()) << c.said;
        boxes.boxes.clear();
        const DWORD cookie = scriptSerial + 1;
        ASSERT_TRUE(engine.Say(c.said).recognised) << c.said;
        const std::string run = "script " + std::to_string(cookie);
        if (c.transcript) {
            EXPECT_TRUE(TranscriptHas(run + c.transcript)) << c.said;
        } else {
            EXPECT_FALSE(TranscriptHas(run)) << c.said;
        }
        EXPECT_EQ(c.boxes, Describe(boxes.boxes)) << c.said;
    }
    // Without list values the script runs through RunScript, with none of them.
    const std::vector<std::string> transcript = engine.Transcript();
    EXPECT_NE(transcript.end(), std::find_if(transcript.begin(), transcript.end(), [](const std::string& line) {
                  return line.find("script run requested: cookie ") == 0 && line.find("value units") == std::string::npos;
              }));
    EXPECT_FALSE(guard.fired());
}

TEST_F(CommandEditorTest, SpecificCommandsBecomeActiveAtTheNextUtteranceInTheirWindow)
{
    Open();
    const struct {
        Scope scope;
        const wchar_t* title;
        int countBox;
    } cases[] = {{Scope::App, L"DragonPad - Document", IDC_APP_COUNT}, {Scope::Window, L"Font", IDC_WINDOW_COUNT}};
    int number = 0;
    for (const auto& c : cases) {
        Prepare(L"Wave", {}, L"Beep", c.scope);
        Click(IDC_ADD);
        const std::string rule = std::to_string(++number);
        EXPECT_FALSE(Active(rule)) << rule;
        EXPECT_EQ(L"0", DriverBox(c.countBox));
        HWND window = Foreground(c.title);
        engine.Say("nothing to recognise");
        EXPECT_TRUE(Active(rule, window)) << rule;
        EXPECT_EQ(L"1", DriverBox(c.countBox));
    }
    EXPECT_EQ(L"0", DriverBox(IDC_GLOBAL_COUNT));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(CommandEditorTest, ATestSetLoadedBeforeAddingLeavesTheRuleNameBehindTheNumber)
{
    Open();
    Type(IDC_COMMAND_NAME, L"Move");
    Click(IDC_CONSTRUCT); // rule "1"
    Click(IDC_COMPILE);
    Type(IDC_SCRIPT, L"Beep");
    Click(IDC_CHECK_SCRIPT);
    Menu(ID_LOAD_100_COMMANDS); // while the editor is open
    Click(IDC_ADD);             // number 101
    EXPECT_EQ(L"50", DriverBox(IDC_GLOBAL_COUNT));
    ASSERT_EQ(1u, boxes.boxes.size()) << Describe(boxes.boxes);
    EXPECT_EQ(0u, boxes.boxes[0].text.find(L"CGramObj::activate failed with:"));
    const std::string log = SettledLog();
    EXPECT_NE(std::string::npos,
              log.find("\nGrammar Object failed to activate global command  101 ...n\nCommand: \"Move\" added.\n"))
        << log;
}

TEST_F(CommandEditorTest, FromTheMenuTheEditorIsModalWhileUtterancesLoadsAndReleasesGoOn)
{
    QuitGuard guard(later);
    bool closed = false;
    int scriptResult = -1;
    later.post([&] {
        editor = FindWindowW(L"#32770", L"Quillmoor 2023 Testing - Command Editor - Adding a New Command");
        ASSERT_NE(nullptr, editor);
        Prepare(L"Move", {2}, L"Wait 400\nTTSPlayString _arg1");
        Click(IDC_ADD);
        // A release while the script waits, inside the editor's loop.
        later.post([&] { Menu(ID_RELEASE_ALL_COMMANDS); }, 100);
        const DWORD cookie = scriptSerial + 1;
        EXPECT_TRUE(engine.Say("Move Right").recognised);
        scriptResult = TranscriptHas("script " + std::to_string(cookie) + " done") ? 1 : 0;
        EXPECT_EQ(0, controller.commands.loadedCount());
        Menu(ID_LOAD_100_COMMANDS);
        EXPECT_TRUE(engine.Say("Test 3").recognised);
        SendMessageW(editor, WM_COMMAND, IDCANCEL, 0);
        closed = true;
    }, 100);
    Menu(ID_ADD_CUSTOM_COMMAND);
    editor = nullptr; // ended by the dialog manager
    EXPECT_TRUE(closed);
    EXPECT_EQ(1, scriptResult);
    EXPECT_EQ(100, controller.commands.loadedCount());
    EXPECT_TRUE(WaitForDialogLog(dialog, ">> Test 3 <<"));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    EXPECT_FALSE(guard.fired());
}

} // namespace
