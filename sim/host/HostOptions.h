// natspeak.exe's command line.
#pragma once

#include <windows.h>
#include <string>

namespace qmhost {

struct HostOptions {
    std::wstring script;       // --script FILE
    std::wstring module;       // --module PATH: load this file instead of the configuration
    CLSID clsid = {};          // --clsid {GUID}: class of --module (default: Quillmoor's)
    std::wstring transcript;   // --transcript FILE: instead of stdout
    DWORD timeoutSeconds = 120; // --timeout S: the whole script
    DWORD resumeTimeoutMs = 5000; // --resume-timeout MS
    bool noCentral = false;    // --no-central: the site refuses the central service
};

// Returns false with the usage text in error.
bool ParseHostOptions(int argc, wchar_t** argv, HostOptions& options, std::string& error);

} // namespace qmhost
