// Every message box the module shows goes through these two calls, so that a test can
// answer boxes without a person. Without a handler they are the real MessageBoxW/A.
#pragma once

#include <windows.h>

using MessageBoxHandler = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// Installs a handler for every later box; nullptr restores the real message boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);

int ShowMessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
// Narrow texts are in the ANSI code page; a handler sees them converted to UTF-16.
int ShowMessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
