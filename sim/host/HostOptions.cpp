#include "HostOptions.h"
#include "../../grammar/DragonInterfaces.h"
#include "../../module/ModuleClassId.h"

#include <cwchar>

namespace qmhost {

static const char kUsage[] =
    "usage: natspeak.exe [--script FILE] [--module PATH [--clsid {GUID}]] [--transcript FILE]\n"
    "                    [--timeout SECONDS] [--resume-timeout MS] [--no-central]\n";

bool ParseHostOptions(int argc, wchar_t** argv, HostOptions& options, std::string& error) {
    options.clsid = CLSID_Quillmoor;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--no-central") {
            options.noCentral = true;
            continue;
        }
        if (!hasValue) {
            error = std::string("missing value or unknown option\n") + kUsage;
            return false;
        }
        const wchar_t* value = argv[++i];
        if (arg == L"--script") {
            options.script = value;
        } else if (arg == L"--module") {
            options.module = value;
        } else if (arg == L"--clsid") {
            if (FAILED(CLSIDFromString(const_cast<wchar_t*>(value), &options.clsid))) {
                error = std::string("--clsid needs a class identifier in braces\n") + kUsage;
                return false;
            }
        } else if (arg == L"--transcript") {
            options.transcript = value;
        } else if (arg == L"--timeout" || arg == L"--resume-timeout") {
            wchar_t* end = nullptr;
            unsigned long number = wcstoul(value, &end, 10);
            if (!end || *end || number == 0) {
                error = std::string("a positive number is needed\n") + kUsage;
                return false;
            }
            (arg == L"--timeout" ? options.timeoutSeconds : options.resumeTimeoutMs) = number;
        } else {
            error = std::string("unknown option\n") + kUsage;
            return false;
        }
    }
    return true;
}

} // namespace qmhost
