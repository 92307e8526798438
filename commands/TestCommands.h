// Generated test command sets: the grammar text of a command and the title of DragonPad's
// Font dialog by system language.
#pragma once

#include <windows.h>

#include <string>

// "<K> exported = Test K;\n": one exported rule named by the number, spoken "Test K".
std::string MakeTestCommandText(int number);

// The text generator used by loadTestCommands; tests replace it to make a round fail.
using TestCommandTextMaker = std::string (*)(int number);
extern TestCommandTextMaker testCommandText;

// The Font dialog's exact title for a primary language (GetSystemDefaultLCID() & 0x3FF).
const char* FontDialogTitle(unsigned primaryLanguage);
