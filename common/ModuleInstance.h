// The instance handle of the binary this code is linked into (Quillmoor.dll, or a test
// program that links the module's code): where its resources are found.
#pragma once

#include <windows.h>

HINSTANCE ModuleInstance();
