// The DVC subset that the simulated script interpreter understands (README.md):
// one statement a line - Beep, TTSPlayString <text>, Wait <ms>, SendKeys <text>,
// HeardWord <text> -
// keywords in any case, texts made of "literals" and _arg1 ... joined with +,
// comments from ' to the end of the line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmsim {

enum ScriptError : uint32_t {
    ScriptOk = 0,
    ScriptUnknownCommand = 1,
    ScriptMissingQuote = 2,
    ScriptMissingArgument = 3,
    ScriptBadArgument = 4,
    ScriptOutOfRange = 5,
    ScriptValueNotSet = 6, // run time: _argN beyond the values given
};

constexpr uint32_t MaxWaitMilliseconds = 60000;

struct ScriptCheck {
    uint32_t errorNumber = ScriptOk;
    uint32_t errorLine = 0; // 1-based; 0 when there is no error
    std::string errorText;
};

struct ScriptAction {
    enum Kind { Beep, TTSPlayString, Wait, SendKeys, HeardWord } kind = Beep;
    std::string text;          // spoken text, keys or the words heard; the milliseconds in decimal for Wait
    uint32_t milliseconds = 0; // Wait only
    uint32_t line = 0;
};

struct ScriptRun {
    uint32_t errorNumber = ScriptOk;
    uint32_t errorLine = 0;
    std::string errorText;
    std::vector<ScriptAction> actions; // what ran, up to a run-time error
};

ScriptCheck CheckScript(const std::string& script);

// Checks first: a script that does not compile runs nothing.
ScriptRun RunScript(const std::string& script, const std::vector<std::string>& values);

const char* ActionName(ScriptAction::Kind kind);

} // namespace qmsim
