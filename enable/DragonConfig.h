// Dragon's configuration entries that make it load the Quillmoor module as a global client:
// a key in nssystem.ini and a section in nsapps.ini. Dragon reads them when it starts.
#pragma once

#include <windows.h>

namespace DragonConfig {

// True when both entries are present with a non-empty value; their values are not compared.
bool isEnabled();

// True when either file still names the module: the client key (whatever its value) or any key
// of the module's section. What disable() removes.
bool namesModule();

// Write or remove both entries. Return ERROR_SUCCESS, or the error of the failed write. When
// the second write fails, the first one is undone, so that the two files never disagree.
DWORD enable();
DWORD disable();

} // namespace DragonConfig
