#include "ModuleLock.h"

namespace {
// Objects are apartment-bound, but LockServer may come from any thread.
volatile LONG g_lockCount = 0;
} // namespace

void ModuleLockIncrement()
{
    InterlockedIncrement(&g_lockCount);
}

void ModuleLockDecrement()
{
    InterlockedDecrement(&g_lockCount);
}

LONG ModuleLockCount()
{
    return g_lockCount;
}
