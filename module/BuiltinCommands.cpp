// The built-in commands: rule states of the six built-in grammars and the window effects
// of "Show Quillmoor", "Hide Quillmoor" and the four corner commands.
#include "ModuleController.h"

#include "../grammar/CGramObj.h"

#include <cstdio>

void ModuleController::setBuiltinRuleState(bool shown)
{
    // Newest first: the head holds builtin6, each following grammar the next lower number.
    // A refusal's box may run "Shut Down": the walk ends when a built-in grammar left the list.
    Busy busy(*this);
    const unsigned removals = builtinRemovals();
    int number = 6;
    for (CGramObj* grammar = builtinGrammars; grammar; grammar = grammar->builtinNext, --number) {
        char rule[256] = {};
        snprintf(rule, sizeof(rule), "builtin%d", number);
        bool listening = (number == 1) != shown;
        if (listening) {
            if (!grammar->activate(rule, nullptr))
                logFormat("\nGrammar object failed to activate rule %s ...\n\n", rule);
        } else {
            if (!grammar->deactivate(rule))
                logFormat("\nGrammar object failed to deactivate rule %s ...\n\n", rule);
        }
        if (builtinRemovals() != removals)
            return;
    }
}

void ModuleController::showBuiltins()
{
    setBuiltinRuleState(true);
    if (HWND dialog = dialogWindow())
        ShowWindow(dialog, SW_SHOW);
}

void ModuleController::hideBuiltins()
{
    setBuiltinRuleState(false);
    if (HWND dialog = dialogWindow())
        ShowWindow(dialog, SW_HIDE);
}

void ModuleController::placeWindow(int corner)
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
    case 0: x = 0; y = 0; break;
    case 1: x = 0; y = height - h; break;
    case 2: x = width - w; y = 0; break;
    case 3: x = width - w; y = height - h; break;
    default: return;
    }
    SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
