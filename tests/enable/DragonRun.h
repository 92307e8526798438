// Programs that the end-to-end tests start and wait for: Windows' own tools, the simulated
// Dragon loading its global clients, and the enable utility switching the module on or off.
#pragma once

#include <windows.h>

#include <string>

// The exit code of the command line, 0x80000000 | the error when it could not start, or 99 when
// it was still running after the timeout and was ended.
DWORD runAndWait(std::wstring commandLine, DWORD timeoutMs);

// Starts the simulated Dragon (a path of the build machine), which loads the global clients that
// Dragon's configuration names, runs the script (a path of the build machine; none: end at once)
// and returns "host exit code N\n" followed by its transcript.
std::string dragonStartTranscript(const char* natspeakPath, const char* scriptPath = nullptr);

// Works the enable utility's button and closes it; `expectedText` is the state text it must then
// show. `program` is the utility's Windows path (none: the one of this build).
void toggleWithUtility(const wchar_t* expectedText, const std::wstring& program = std::wstring());

bool contains(const std::string& text, const std::string& part);
