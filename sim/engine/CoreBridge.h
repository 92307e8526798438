// The one place where the COM layer meets the portable recogniser model (the matcher and sim/core):
// grammars, rule activation, lists, matching and DVC scripts, in the engine's terms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmsim {

struct BridgeWord {
    std::string text;
    uint32_t wordNumber = 0;
    uint32_t ruleNumber = 0;
};

struct BridgeMatch {
    bool recognised = false;
    int grammarId = 0;
    std::vector<BridgeWord> words;
    std::string failure;
};

struct BridgeRule {
    std::string name;
    bool active = false;
    uintptr_t window = 0;
};

struct BridgeList {
    std::string name;
    std::vector<std::string> words;
};

struct BridgeAction {
    enum Kind { SendKeys, Beep, TTSPlayString, Wait, HeardWord, Other } kind = Other;
    std::string text;       // keys, spoken text, the words heard, or a description of the action
    uint32_t milliseconds = 0;
};

struct BridgeScriptRun {
    bool failed = false;
    uint32_t errorNumber = 0;
    uint32_t errorLine = 0;
    std::string errorText;
    std::vector<BridgeAction> actions;
    std::vector<std::string> values; // the unpacked _arg values
};

class CoreBridge {
public:
    CoreBridge();
    ~CoreBridge();

    // Returns the new grammar's id (> 0), or 0 with the reason in error.
    int Load(const void* data, size_t size, std::string& error);
    void Unload(int grammarId);
    // A null rule means every exported rule; window 0 means global.
    bool Activate(int grammarId, const std::string* rule, uintptr_t window, std::string& error, bool* changed = nullptr);
    // False with notActive set when the rule was not active (nothing changed).
    bool Deactivate(int grammarId, const std::string* rule, std::string& error, bool& notActive);
    // data: SAPI 4 word records (size, word number, UTF-16 text).
    bool ListSet(int grammarId, const std::string& list, const void* data, size_t size, std::string& error);
    bool ListAppend(int grammarId, const std::string& list, const void* data, size_t size, std::string& error);

    std::vector<BridgeRule> Rules(int grammarId) const;
    std::vector<BridgeList> Lists(int grammarId) const;

    BridgeMatch Recognise(const std::vector<std::string>& words, uintptr_t foreground);

    // Compile check: errorNumber 0 when the script is correct.
    void CheckScript(const std::string& script, uint32_t& errorNumber, uint32_t& errorLine);
    // values: the packed UTF-16 buffer of RunScriptWithValues (may be null).
    BridgeScriptRun RunScript(const std::string& script, const wchar_t* values, size_t valueUnits);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace qmsim
