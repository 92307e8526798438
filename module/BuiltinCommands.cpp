// The built-in commands: rule states of the six built-in grammars and the window effects
// of "Show Quillmoor", "Hide Quillmoor" and the four corner commands.
#include "BuiltinCommands.h"

#include "../compiler/GramParser.h"
#include "../grammar/CGramObj.h"

#include <memory>

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

bool BuiltinCommands::load(GramParser& compiler)
{
    for (const BuiltinCommand& command : kBuiltinCommands) {
        if (!compiler.Compile(command.grammarText, false)) {
            m_owner.log("Compiling built-in command failed.\n");
            return false;
        }
        std::unique_ptr<CGramObj> grammar(new CGramObj());
        grammar->init(&m_owner);
        if (!grammar->loadBuiltinCommands(compiler.packed.data(), static_cast<DWORD>(compiler.packed.size()))) {
            m_owner.log("Loading built-in command failed.\n");
            return false;
        }
        grammar.release(); // now in the owner's builtinGrammars
    }
    return true;
}

void BuiltinCommands::setRuleState(bool shown, const Busy&)
{
    // Newest first: the head holds builtin6, each following grammar the next lower number.
    // A refusal's box may run "Shut Down": the walk ends when a built-in grammar left the list.
    for (const GrammarWalk::Step step : m_owner.walkBuiltinGrammars(static_cast<int>(kBuiltinCommandCount))) {
        if (step.number < 1)
            break;
        const BuiltinCommand& command = kBuiltinCommands[step.number - 1];
        const char* rule = command.ruleName;
        if ((command.listens == Listens::WhileShown) == shown) {
            if (!step.grammar.activate(rule, nullptr))
                m_owner.logFormat("\nGrammar object failed to activate rule %s ...\n\n", rule);
        } else {
            if (!step.grammar.deactivate(rule))
                m_owner.logFormat("\nGrammar object failed to deactivate rule %s ...\n\n", rule);
        }
    }
}

void BuiltinCommands::show(const Busy& busy)
{
    setRuleState(true, busy);
    if (HWND dialog = m_owner.driverOutput().currentDialog())
        ShowWindow(dialog, SW_SHOW);
}

void BuiltinCommands::hide(const Busy& busy)
{
    setRuleState(false, busy);
    if (HWND dialog = m_owner.driverOutput().currentDialog())
        ShowWindow(dialog, SW_HIDE);
}

void BuiltinCommands::run(const BuiltinCommand& command, const Busy& busy)
{
    switch (command.action) {
    case BuiltinAction::Show:
        show(busy);
        break;
    case BuiltinAction::Hide:
        hide(busy);
        break;
    case BuiltinAction::Place:
        place(command.corner);
        break;
    }
}

void BuiltinCommands::place(Corner corner) const
{
    HWND dialog = m_owner.driverOutput().currentDialog();
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
