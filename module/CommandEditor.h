// The command editor (dialog 218): a custom command's name with references to the
// predefined lists and free dictation, its constructed and compiled grammar, its DVC script
// and its scope. It runs modally on Dragon's thread.
#pragma once

#include <windows.h>

class ModuleController;

// What an editor is opened with, given as the dialog's creation parameter: the controller
// it adds commands to, and its title: 0 adding, 1 editing, 2 copying a command; any other
// value keeps the template's "New Command".
struct CommandEditorStart {
    ModuleController* controller;
    int title;
};

// lParam of WM_INITDIALOG: a CommandEditorStart, or null for an editor without controller.
INT_PTR CALLBACK CommandEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
