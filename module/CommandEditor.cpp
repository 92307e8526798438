// The command editor's dialog procedure and addCustomCommand, which loads the command the
// editor built. Everything here runs on Dragon's thread, inside the dialog's modal loop.
#include "CommandEditor.h"

#include "ModuleController.h"
#include "../commands/TestCommands.h"
#include "../common/ComBoundary.h"
#include "../grammar/ControllerGate.h"
#include "../common/MessageBoxes.h"
#include "../common/ModuleInstance.h"
#include "../common/TextConversion.h"
#include "../compiler/GramParser.h"
#include "../grammar/CGramObj.h"
#include "../ui/resource.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

namespace {

// The two marks, shared by every open editor.
HBITMAP successMark = nullptr;
HBITMAP failureMark = nullptr;
int openEditors = 0;

struct ListItem {
    const wchar_t* item;
    const wchar_t* reference;  // appended to the name box
    const wchar_t* definition; // added once to the grammar box
};

const ListItem kListItems[] = {
    {L"- Insert List -", nullptr, nullptr},
    {L"OneToTen", L"<OneToTen> ", L"<OneToTen> = {OneToTen};\r\n"},
    {L"UpDownLeftRight", L"<UpDownLeftRight> ", L"<UpDownLeftRight> = {UpDownLeftRight};\r\n"},
    {L"OnOff", L"<OnOff> ", L"<OnOff> = {OnOff};\r\n"},
    {L"dgndictation", L"<dgndictation> ", L"<dgndictation> imported;\r\n"},
};

const int kScopeButtons[] = {IDC_SCOPE_GLOBAL, IDC_SCOPE_APP, IDC_SCOPE_WINDOW};

std::wstring WindowTextOf(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring ControlText(HWND dialog, int id)
{
    return WindowTextOf(GetDlgItem(dialog, id));
}

// The control's text in the ANSI code page; false when that gives no characters.
bool NarrowControlText(HWND dialog, int id, std::string& text)
{
    const std::wstring wide = ControlText(dialog, id);
    text = NarrowText(wide.data(), wide.size(), CP_ACP);
    return !text.empty();
}

void RemoveCarriageReturns(std::string& text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
}

void SetText(HWND dialog, int id, const wchar_t* text)
{
    SetDlgItemTextW(dialog, id, text);
}

void Enable(HWND dialog, int id, bool enabled)
{
    EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE);
}

void EnableScope(HWND dialog, bool enabled)
{
    for (int id : kScopeButtons)
        Enable(dialog, id, enabled);
}

// A null mark removes the one shown.
void ShowMark(HWND dialog, int id, HBITMAP mark)
{
    SendDlgItemMessageW(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(mark));
}

void ShowStatus(HWND dialog, int markId, HBITMAP mark, int statusId, const wchar_t* status)
{
    ShowMark(dialog, markId, mark);
    SetText(dialog, statusId, status);
}

void Focus(HWND dialog, int id)
{
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

// Focus on an edit box with the caret after its last character.
void FocusAtEnd(HWND dialog, int id)
{
    Focus(dialog, id);
    HWND edit = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, length, length);
}

void AppendAtEnd(HWND edit, const std::wstring& text)
{
    const int length = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, length, length);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void AppendWithSpace(HWND edit, const std::wstring& text)
{
    AppendAtEnd(edit, GetWindowTextLengthW(edit) > 0 ? L" " + text : text);
}

void AddOnce(HWND edit, const std::wstring& text)
{
    if (WindowTextOf(edit).find(text) == std::wstring::npos)
        AppendAtEnd(edit, text);
}

// Kept in the dialog's DWLP_USER from WM_INITDIALOG to WM_NCDESTROY.
struct EditorState {
    ModuleController* controller = nullptr; // the one that opened the editor
    bool rewritingName = false;             // the name box is being written back
};

EditorState* StateOf(HWND dialog)
{
    return reinterpret_cast<EditorState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The controller that opened the editor (it outlives the modal loop it opened it in).
ModuleController* EditorController(HWND dialog)
{
    EditorState* state = StateOf(dialog);
    return state ? state->controller : nullptr;
}

// The editor's controller; none once it has disconnected from Dragon.
ModuleController* ConnectedController(HWND dialog)
{
    ModuleController* controller = EditorController(dialog);
    return controller && controller->grammarOwner.central() && controller->commands.compiler() &&
                   !controller->grammarOwner.shuttingDown()
               ? controller
                                                                                                 : nullptr;
}

void LoadMarks()
{
    if (successMark)
        DeleteObject(successMark);
    if (failureMark)
        DeleteObject(failureMark);
    successMark = static_cast<HBITMAP>(
        LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_SUCCESS_MARK), IMAGE_BITMAP, 16, 16, LR_DEFAULTSIZE));
    failureMark = static_cast<HBITMAP>(
        LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDB_FAILURE_MARK), IMAGE_BITMAP, 16, 16, LR_DEFAULTSIZE));
}

void OnInitDialog(HWND dialog, const CommandEditorStart* start)
{
    // An editor opened while another one is still open (its modal loop dispatches menu
    // commands too) shares the marks that one shows.
    if (openEditors++ == 0)
        LoadMarks();
    HICON icon = LoadIconW(ModuleInstance(), MAKEINTRESOURCEW(IDI_QUILLMOOR));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    CheckDlgButton(dialog, IDC_SCOPE_GLOBAL, BST_CHECKED);

    static const wchar_t* const kTitles[] = {
        L"Quillmoor 2023 Testing - Command Editor - Adding a New Command",
        L"Quillmoor 2023 Testing - Command Editor - Editing a Command",
        L"Quillmoor 2023 Testing - Command Editor - Copying a Command",
    };
    if (start && start->title >= 0 && start->title < 3)
        SetWindowTextW(dialog, kTitles[start->title]);

    for (const ListItem& item : kListItems)
        SendDlgItemMessageW(dialog, IDC_LIST_PICKER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.item));
    SendDlgItemMessageW(dialog, IDC_LIST_PICKER, CB_SETCURSEL, 0, 0);
}

void OnListPicked(HWND dialog)
{
    const LRESULT index = SendDlgItemMessageW(dialog, IDC_LIST_PICKER, CB_GETCURSEL, 0, 0);
    if (index >= 1 && index < static_cast<LRESULT>(sizeof(kListItems) / sizeof(kListItems[0]))) {
        AppendWithSpace(GetDlgItem(dialog, IDC_COMMAND_NAME), kListItems[index].reference);
        AddOnce(GetDlgItem(dialog, IDC_GRAMMAR), kListItems[index].definition);
    }
    SendDlgItemMessageW(dialog, IDC_LIST_PICKER, CB_SETCURSEL, 0, 0);
    FocusAtEnd(dialog, IDC_COMMAND_NAME);
    SetText(dialog, IDC_LISTS_USED, L"");
}

// Typing "<" opens the way to insert a list: the character goes, the focus moves to the
// list picker.
void OnNameChanged(HWND dialog)
{
    // The text written back below changes the box again; "<<" loses only one "<".
    EditorState* state = StateOf(dialog);
    if (!state || state->rewritingName)
        return;
    std::wstring name = ControlText(dialog, IDC_COMMAND_NAME);
    if (name.empty() || name.back() != L'<')
        return;
    name.pop_back();
    state->rewritingName = true;
    SetText(dialog, IDC_COMMAND_NAME, name.c_str());
    state->rewritingName = false;
    HWND edit = GetDlgItem(dialog, IDC_COMMAND_NAME);
    SendMessageW(edit, EM_SETSEL, name.size(), name.size());
    Focus(dialog, IDC_LIST_PICKER);
}

void OnConstruct(HWND dialog)
{
    std::wstring name = ControlText(dialog, IDC_COMMAND_NAME);
    if (name.empty()) {
        ShowMessageBoxW(nullptr, L"You minimally need to create a command name for this.", L"Error", MB_ICONHAND);
    } else {
        if (name.back() == L' ') {
            name.pop_back();
            SetText(dialog, IDC_COMMAND_NAME, name.c_str());
        }
        // The rule is named by the command's number; the name is what the user says.
        const ModuleController* controller = EditorController(dialog);
        const int number = controller ? controller->commands.nextCommandNumber() : 1;
        AddOnce(GetDlgItem(dialog, IDC_GRAMMAR), L"<" + std::to_wstring(number) + L"> exported = " + name + L";");
        Enable(dialog, IDC_COMPILE, true);
        Enable(dialog, IDC_CONSTRUCT, false);
        SetText(dialog, IDC_GRAMMAR_STATUS, L"You may now compile the grammar.");
    }
    FocusAtEnd(dialog, IDC_COMMAND_NAME);
}

// "<name>: value | value ..." and a line break at the end of the lists box.
void AppendListLine(HWND dialog, const std::string& line)
{
    AppendAtEnd(GetDlgItem(dialog, IDC_LISTS_USED), WidenText(line.c_str(), CP_THREAD_ACP) + L"\r\n");
}

void OnCompile(HWND dialog)
{
    const auto fail = [&](const wchar_t* status) {
        ShowStatus(dialog, IDC_GRAMMAR_MARK, failureMark, IDC_GRAMMAR_STATUS, status);
    };
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_GRAMMAR)) == 0)
        return fail(L"No text in the Grammar box?");
    std::string text;
    if (!NarrowControlText(dialog, IDC_GRAMMAR, text))
        return fail(L"Converting from Unicode to ANSI failed.");
    RemoveCarriageReturns(text);
    ModuleController* controller = ConnectedController(dialog);
    if (!controller)
        return fail(L"Controller pointer not available.");
    if (controller->commands.compilerBusy())
        return;

    // The compiler outlives a disconnect that its boxes' message loops may run.
    GramParser* compiler = controller->commands.compiler();
    if (!compiler->Compile(text, false)) {
        fail(L"Compiling the grammar failed. You need to edit and correct the command syntax.");
        Enable(dialog, IDC_COMPILE, false);
        Enable(dialog, IDC_CONSTRUCT, true);
        SetText(dialog, IDC_GRAMMAR, L"");
        FocusAtEnd(dialog, IDC_COMMAND_NAME);
        return;
    }
    const std::vector<NameEntry> lists = compiler->knownLists;
    const std::vector<NameEntry> imports = compiler->importRules;

    ShowStatus(dialog, IDC_GRAMMAR_MARK, successMark, IDC_GRAMMAR_STATUS,
               L"Compiling the grammar succeeded. Now enter a DVC script in the box below.");
    Enable(dialog, IDC_COMPILE, false);
    Enable(dialog, IDC_CONSTRUCT, false);
    Enable(dialog, IDC_CHECK_SCRIPT, true);
    Enable(dialog, IDC_SCRIPT, true);
    Enable(dialog, IDC_CLEAR_SCRIPT, true);
    Focus(dialog, IDC_SCRIPT);
    for (const NameEntry& list : lists) {
        const int found = FindPredefinedList(controller->predefinedLists, list.name.c_str());
        if (found < 0)
            continue;
        const std::vector<std::string>& entry = controller->predefinedLists[static_cast<size_t>(found)];
        std::string line = "<" + entry[0] + ">: ";
        for (size_t value = 1; value < entry.size(); ++value)
            line += (value > 1 ? " | " : "") + entry[value];
        AppendListLine(dialog, line);
    }
    for (const NameEntry& rule : imports)
        if (rule.name == "dgndictation")
            AppendListLine(dialog, "<" + rule.name + ">: - any word(s) ...");
}

void OnClearGrammar(HWND dialog)
{
    for (int id : {IDC_COMMAND_NAME, IDC_GRAMMAR, IDC_GRAMMAR_STATUS, IDC_LISTS_USED})
        SetText(dialog, id, L"");
    Focus(dialog, IDC_COMMAND_NAME);
    Enable(dialog, IDC_COMPILE, false);
    Enable(dialog, IDC_CONSTRUCT, true);
    Enable(dialog, IDC_ADD, false);
    EnableScope(dialog, false);
    ShowMark(dialog, IDC_GRAMMAR_MARK, nullptr);
}

void OnCheckScript(HWND dialog, const ControllerLifetime::Busy& busy)
{
    ShowStatus(dialog, IDC_SCRIPT_MARK, nullptr, IDC_SCRIPT_STATUS, L"");
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_SCRIPT)) == 0) {
        ShowMessageBoxW(GetForegroundWindow(), L"You mininmally need to enter a line of script!", L"Error",
                        MB_ICONHAND);
        Focus(dialog, IDC_SCRIPT);
        return;
    }
    ModuleController* controller = ConnectedController(dialog);
    std::string script;
    if (!controller || !NarrowControlText(dialog, IDC_SCRIPT, script))
        return;
    if (!controller->commands.scriptRunner().execScript(script.c_str(), nullptr, script.c_str(), true, busy)) {
        ShowStatus(dialog, IDC_SCRIPT_MARK, failureMark, IDC_SCRIPT_STATUS,
                   L"Failure! Edit the script according to the previous error message.");
        Focus(dialog, IDC_SCRIPT);
        return;
    }
    ShowStatus(dialog, IDC_SCRIPT_MARK, successMark, IDC_SCRIPT_STATUS,
               L"Checking the script succeeded. You may now click the \"Add\" button.");
    // The scope is chosen together with adding: both become available here.
    Enable(dialog, IDC_ADD, true);
    EnableScope(dialog, true);
}

void OnClearScript(HWND dialog)
{
    SetText(dialog, IDC_SCRIPT, L"");
    SetText(dialog, IDC_SCRIPT_STATUS, L"");
    Focus(dialog, IDC_SCRIPT);
    ShowMark(dialog, IDC_SCRIPT_MARK, nullptr);
}

// Adds the command and reports it in the log; the controls reached by the steps before
// the failure keep their state, and adding is off until the next successful check.
void AddCommand(HWND dialog, std::string& logText, const ControllerLifetime::Busy& busy)
{
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_GRAMMAR)) == 0)
        return;
    std::string text;
    if (!NarrowControlText(dialog, IDC_GRAMMAR, text))
        return ShowStatus(dialog, IDC_GRAMMAR_MARK, failureMark, IDC_GRAMMAR_STATUS,
                          L"Converting from Unicode to ANSI failed.");
    RemoveCarriageReturns(text);
    ModuleController* controller = ConnectedController(dialog);
    if (!controller)
        return ShowStatus(dialog, IDC_GRAMMAR_MARK, failureMark, IDC_GRAMMAR_STATUS,
                          L"Controller pointer not available.");

    if (!controller->addCustomCommand(dialog, text, busy)) {
        logText += " failed to add!\n";
    } else {
        ShowMark(dialog, IDC_GRAMMAR_MARK, nullptr);
        ShowMark(dialog, IDC_SCRIPT_MARK, nullptr);
        Enable(dialog, IDC_COMPILE, false);
        Enable(dialog, IDC_CONSTRUCT, true);
        Enable(dialog, IDC_CHECK_SCRIPT, false);
        Enable(dialog, IDC_CLEAR_SCRIPT, false);
        for (int id : {IDC_GRAMMAR, IDC_COMMAND_NAME, IDC_SCRIPT, IDC_SCRIPT_STATUS})
            SetText(dialog, id, L"");
        SetText(dialog, IDC_GRAMMAR_STATUS, L"Command loaded successfully. Add another one, or close the window now.");
        Focus(dialog, IDC_COMMAND_NAME);
        logText += "\" added.\n";
    }
    controller->grammarOwner.log(logText.c_str(), 1);
}

void OnAdd(HWND dialog, const ControllerLifetime::Busy& busy)
{
    std::string logText = "\nCommand: \"";
    std::string name;
    if (NarrowControlText(dialog, IDC_COMMAND_NAME, name)) {
        if (name.back() == ' ')
            name.pop_back();
        logText += name;
    }
    AddCommand(dialog, logText, busy);
    Enable(dialog, IDC_ADD, false);
    EnableScope(dialog, false);
    Enable(dialog, IDC_CHECK_SCRIPT, false);
    Enable(dialog, IDC_SCRIPT, false);
}

void OnCommand(HWND dialog, int id, int notification, const ControllerLifetime::Busy& busy)
{
    if (id == IDC_LIST_PICKER) {
        if (notification == CBN_SELCHANGE)
            OnListPicked(dialog);
        return;
    }
    if (id == IDC_COMMAND_NAME) {
        if (notification == EN_CHANGE)
            OnNameChanged(dialog);
        return;
    }
    if (notification != BN_CLICKED)
        return;
    switch (id) {
    case IDC_CONSTRUCT:
        OnConstruct(dialog);
        break;
    case IDC_COMPILE:
        OnCompile(dialog);
        break;
    case IDC_CLEAR_GRAMMAR:
        OnClearGrammar(dialog);
        break;
    case IDC_CHECK_SCRIPT:
        OnCheckScript(dialog, busy);
        break;
    case IDC_CLEAR_SCRIPT:
        OnClearScript(dialog);
        break;
    case IDC_ADD:
        OnAdd(dialog, busy);
        break;
    case IDCANCEL:
        EndDialog(dialog, 2);
        break;
    default:
        break;
    }
}

} // namespace

INT_PTR CALLBACK CommandEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto* start = reinterpret_cast<const CommandEditorStart*>(lParam);
        if (EditorState* state = new (std::nothrow) EditorState()) {
            state->controller = start ? start->controller : nullptr;
            SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        }
        RunAtComBoundary(L"Command editor failed with:", [&] { OnInitDialog(dialog, start); });
        return TRUE;
    }
    case WM_COMMAND:
        // Nothing thrown may cross the dialog manager.
        // Through the gate, to the editor's controller; an editor without one can only close.
        if (!EnterController(EditorController(dialog), L"Command editor failed with:",
                             [&](ModuleController&, const ControllerLifetime::Busy& busy) {
                                 OnCommand(dialog, LOWORD(wParam), HIWORD(wParam), busy);
                             }) &&
            LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, 2);
        return TRUE;
    case WM_DESTROY:
        --openEditors;
        return FALSE;
    case WM_NCDESTROY:
        delete StateOf(dialog);
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

void ModuleController::openCommandEditor(const Busy&)
{
    const CommandEditorStart start{this, 0};
    if (DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_COMMAND_EDITOR), nullptr, CommandEditorProc,
                        reinterpret_cast<LPARAM>(&start)) == -1) {
        wchar_t text[80];
        swprintf(text, 80, L" failed: GetLastError returned %u\n", static_cast<unsigned>(GetLastError()));
        ShowMessageBoxW(nullptr, text, L"Error", MB_OK);
    }
}

int ModuleController::addCustomCommand(HWND dialog, std::string text, const Busy& busy)
{
    // The compiler outlives a disconnect that its boxes' message loops may run.
    GramParser* compiler = commands.compiler();
    if (commands.compilerBusy() || !compiler || !compiler->Compile(text, false))
        return 0;
    const std::vector<NameEntry> lists = compiler->knownLists;
    const int number = commands.nextCommandNumber();
    CGramObj* grammar = commands.loadCommandGrammar(compiler->packed, busy);
    if (!grammar)
        return 0;
    // Kept allocated through the boxes below (the caller holds the controller); a release
    // there unloads it.
    grammar->number = number;

    // Every call below may show a box, whose loop may release the grammar.
    for (const NameEntry& list : lists) {
        const int found = FindPredefinedList(predefinedLists, list.name.c_str());
        if (found < 0)
            continue;
        const std::vector<std::string> entry = predefinedLists[static_cast<size_t>(found)];
        const int listSet = grammar->listSet(entry[0].c_str());
        if (!grammar->gramCommon)
            return 0;
        if (!listSet)
            continue;
        for (size_t value = 1; value < entry.size(); ++value) {
            const int appended = grammar->listAppend(entry[0].c_str(), entry[value].c_str());
            if (grammar->gramCommon && !appended)
                ShowMessageBoxA(nullptr, "appendList() failed!", "Error", MB_OK);
            if (!grammar->gramCommon)
                return 0;
        }
    }

    if (IsDlgButtonChecked(dialog, IDC_SCOPE_GLOBAL) == BST_CHECKED) {
        grammar->isSpecific = 0;
        const std::string rule = std::to_string(number);
        const int activated = grammar->activate(rule.c_str(), nullptr);
        if (!grammar->gramCommon)
            return 0;
        if (activated) {
            commands.countGlobalActivation();
        } else {
            char failed[256];
            // This line has always read "...n", without a line feed, and is kept so.
            snprintf(failed, sizeof(failed), "\nGrammar Object failed to activate global command  %s ...n",
                     rule.c_str());
            grammarOwner.log(failed, 1);
        }
    } else if (IsDlgButtonChecked(dialog, IDC_SCOPE_APP) == BST_CHECKED) {
        grammar->isSpecific = 1;
        grammar->moduleName = "natspeak";
        grammar->appTitle = "DragonPad";
    } else if (IsDlgButtonChecked(dialog, IDC_SCOPE_WINDOW) == BST_CHECKED) {
        grammar->isSpecific = 1;
        grammar->moduleName = "natspeak";
        grammar->windowTitle = FontDialogTitle(GetSystemDefaultLCID() & 0x3FF);
    }
    grammarOwner.noteRuleStateChange(); // the scope decides what the utterance-begin walk does with it

    std::string script;
    if (NarrowControlText(dialog, IDC_SCRIPT, script))
        commands.addScript(number, script);
    commands.refreshStatistics();
    return 1;
}
