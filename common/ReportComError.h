// The "COM Error" box, shown wherever a COM call of the module failed.
#pragma once

#include <windows.h>

// Shows prefix, hr in hexadecimal and, when the thread has one, the error object's
// description; the text is cut to 1024 characters.
void reportComError(const wchar_t* prefix, HRESULT hr);
