// A failed Windows call, carried as an exception with its error code.
#pragma once

#include <windows.h>

struct WindowsError
{
    DWORD code;
};
