// DVC scripts through Dragon's interpreter: the cookies of the runs and the packing of the
// values a run is given.
#pragma once

#include <windows.h>

#include <vector>

// The last cookie given to a script run. Each run takes the next value, so the first script
// run in a process carries cookie 2. Touched on Dragon's thread only.
extern DWORD scriptSerial;

// The values (strings in the thread's ANSI code page, ended by a null pointer) as
// RunScriptWithValues takes them: each string with its terminating 0, one after the other,
// zero units up to valuesSize, which is twice the strings' bytes with their terminators,
// rounded up to a multiple of 4.
std::vector<WCHAR> PackScriptValues(const char* const* values, DWORD& valuesSize);
