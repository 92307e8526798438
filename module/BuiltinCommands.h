// The six built-in commands: what each one's grammar says, the phrase it answers, what it
// does and when it listens. builtin1 ("Show Quillmoor") listens while the test-driver window
// is hidden, the others while it is shown.
#pragma once

#include <cstddef>

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
