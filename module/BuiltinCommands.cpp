// The built-in commands: rule states of the six built-in grammars and the window effects
// of "Show Quillmoor", "Hide Quillmoor" and the four corner commands.
#include "BuiltinCommands.h"

#include "ModuleController.h"

#include "../grammar/CGramObj.h"

const BuiltinCommand kBuiltinCommands[6] = {
    {"builtin1", "<builtin1> exported = Show Quillmoor;\n", L"Show Quillmoor", BuiltinAction::Show, Corner::TopLeft,
     Listens::WhileHidden},
    {"builtin2", "<builtin2> exported = Hide Quillmoor;\n", L"Hide Quillmoor", BuiltinAction::Hide, Corner::TopLeft,
     Listens::WhileShown},
    {"builtin3", "<builtin3> exported = Quillmoor Top Left;\n", L"Quillmoor Top Left", BuiltinAction::Place,
     Corner::TopLeft, Listens::WhileShown},
    {"builtin4", "<builtin4> exported = Quillmoor Bottom Left;\n", L"Quillmoor Bottom Left", BuiltinAction::Place,
     Corner::BottomLeft, Listens::WhileShown},
    {"builtin5", "<builtin5> exported = Quillmoor Top Right;\n", L"Quillmoor Top Right", BuiltinAction::Place,
     Corner::TopRight, Listens::WhileShown},
    {"builtin6", "<builtin6> exported = Quillmoor Bottom Right;\n", L"Quillmoor Bottom Right", BuiltinAction::Place,
     Corner::BottomRight, Listens::WhileShown},
};

void ModuleController::setBuiltinRuleState(bool shown, const Busy&)
{
    // Newest first: the head holds builtin6, each following grammar the next lower number.
    // A refusal's box may run "Shut Down": the walk ends when a built-in grammar left the list.
    for (const GrammarWalk::Step step : walkBuiltinGrammars(static_cast<int>(kBuiltinCommandCount))) {
        if (step.number < 1)
            break;
        const BuiltinCommand& command = kBuiltinCommands[step.number - 1];
        const char* rule = command.ruleName;
        if ((command.listens == Listens::WhileShown) == shown) {
            if (!step.grammar.activate(rule, nullptr))
                logFormat("\nGrammar object failed to activate rule %s ...\n\n", rule);
        } else {
            if (!step.grammar.deactivate(rule))
                logFormat("\nGrammar object failed to deactivate rule %s ...\n\n", rule);
        }
    }
}

void ModuleController::showBuiltins(const Busy& busy)
{
    setBuiltinRuleState(true, busy);
    if (HWND dialog = dialogWindow())
        ShowWindow(dialog, SW_SHOW);
}

void ModuleController::hideBuiltins(const Busy& busy)
{
    setBuiltinRuleState(false, busy);
    if (HWND dialog = dialogWindow())
        ShowWindow(dialog, SW_HIDE);
}

void ModuleController::runBuiltin(const BuiltinCommand& command, const Busy& busy)
{
    switch (command.action) {
    case BuiltinAction::Show:
        showBuiltins(busy);
        break;
    case BuiltinAction::Hide:
        hideBuiltins(busy);
        break;
    case BuiltinAction::Place:
        placeWindow(command.corner);
        break;
    }
}

void ModuleController::placeWindow(Corner corner)
{
    HWND dialog = dialogWindow();
    if (!dialog || !IsWindowVisible(dialog))
        return;
    int width = 1200;
    int height = 800;
    RECT workArea;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0)) {
        width = workArea.right - workArea.left;
        height = workArea.bottom - workArea.top;
        if (width == 0 || height == 0)
            return;
    }
    RECT frame;
    if (!GetWindowRect(dialog, &frame))
        return;
    int w = frame.right - frame.left;
    int h = frame.bottom - frame.top;
    int x, y;
    switch (corner) {
    case Corner::TopLeft: x = 0; y = 0; break;
    case Corner::BottomLeft: x = 0; y = height - h; break;
    case Corner::TopRight: x = width - w; y = 0; break;
    case Corner::BottomRight: x = width - w; y = height - h; break;
    default: return;
    }
    SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
