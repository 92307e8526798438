// The module lock count: raised by every live COM object of the module and by the class
// factory's LockServer, read by DllCanUnloadNow.
#pragma once

#include <windows.h>

void ModuleLockIncrement();
void ModuleLockDecrement();
LONG ModuleLockCount();
