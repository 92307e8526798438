// Arbitrary text as a DVC script (checked and run with two values), and the same bytes
// as a packed value buffer. Must never crash or hang.
#include "DvcScript.h"
#include "ScriptValues.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string script(reinterpret_cast<const char*>(data), size);
    qmsim::ScriptCheck check = qmsim::CheckScript(script);
    qmsim::ScriptRun run = qmsim::RunScript(script, {"ab", "xyz"});
    if ((check.errorNumber == 0) != (run.errorNumber == 0 || run.errorNumber == qmsim::ScriptValueNotSet))
        __builtin_trap(); // a run must compile exactly what a check accepts

    std::vector<char16_t> units(size / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    std::vector<std::string> values;
    std::string error;
    if (qmsim::UnpackScriptValues(units.data(), units.size(), values, error))
        qmsim::RunScript(script, values);
    return 0;
}
