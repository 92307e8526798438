// The six built-in commands: what each one's grammar says, the phrase it answers, what it
// does and when it listens. builtin1 ("Show Quillmoor") listens while the test-driver window
// is hidden, the others while it is shown.
#pragma once

#include "../grammar/GrammarOwner.h"

#include <cstddef>

class GramParser;

// The corners "Quillmoor Top Left" ... and the Window menu place the test-driver window in.
enum class Corner { TopLeft, BottomLeft, TopRight, BottomRight };

enum class BuiltinAction { Show, Hide, Place };

enum class Listens { WhileShown, WhileHidden };

struct BuiltinCommand {
    const char* ruleName;    // "builtin1" ... "builtin6"
    const char* grammarText; // compiled alone into its own grammar
    const wchar_t* phrase;   // the recognised words, joined by single blanks
    BuiltinAction action;
    Corner corner;           // for Place
    Listens listens;
};

// In load order, builtin1 first.
extern const BuiltinCommand kBuiltinCommands[6];
constexpr size_t kBuiltinCommandCount = sizeof(kBuiltinCommands) / sizeof(kBuiltinCommands[0]);

// The built-in grammars (in the owner's builtinGrammars) and what the commands do.
class BuiltinCommands {
public:
    using Busy = ControllerLifetime::Busy;

    explicit BuiltinCommands(GrammarOwner& owner) : m_owner(owner) {}
    BuiltinCommands(const BuiltinCommands&) = delete;
    BuiltinCommands& operator=(const BuiltinCommands&) = delete;

    // Compiles and loads the six grammars in order; false after the log line of the first
    // that failed.
    bool load(GramParser& compiler);
    // Each command listens or not as the window is shown or hidden (kBuiltinCommands).
    void setRuleState(bool shown, const Busy& busy);
    // "Show Quillmoor" and "Hide Quillmoor": the rule states, then the window.
    void show(const Busy& busy);
    void hide(const Busy& busy);
    // Moves a visible test-driver window to a corner of the work area.
    void place(Corner corner) const;
    void run(const BuiltinCommand& command, const Busy& busy);

private:
    GrammarOwner& m_owner;
};
