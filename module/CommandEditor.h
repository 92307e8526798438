// The command editor (dialog 218): a custom command's name with references to the
// predefined lists and free dictation, its constructed and compiled grammar, its DVC script
// and its scope. It runs modally on Dragon's thread.
#pragma once

#include <windows.h>

// The creation parameter chooses the title: 0 adding, 1 editing, 2 copying a command; any
// other value keeps the template's "New Command".
INT_PTR CALLBACK CommandEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Index of the first entry of predefinedLists with exactly that name, or -1.
int FindPredefinedList(const char* name);
