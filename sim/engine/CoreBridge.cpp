#include "CoreBridge.h"

#include "DvcScript.h"
#include "Recogniser.h"
#include "ScriptValues.h"

namespace qmsim {

struct CoreBridge::Impl {
    Recogniser recogniser;
};

CoreBridge::CoreBridge() : impl_(new Impl) {}
CoreBridge::~CoreBridge() = default;

int CoreBridge::Load(const void* data, size_t size, std::string& error) {
    uint32_t handle = 0;
    if (impl_->recogniser.Load(data, size, handle, error) != EngineStatus::Ok)
        return 0;
    return static_cast<int>(handle);
}

void CoreBridge::Unload(int grammarId) { impl_->recogniser.Unload(static_cast<uint32_t>(grammarId)); }

bool CoreBridge::Activate(int grammarId, const std::string* rule, uintptr_t window, std::string& error, bool* changed) {
    return impl_->recogniser.Activate(static_cast<uint32_t>(grammarId), rule, window, error, changed) ==
           EngineStatus::Ok;
}

bool CoreBridge::Deactivate(int grammarId, const std::string* rule, std::string& error, bool& notActive) {
    EngineStatus status = impl_->recogniser.Deactivate(static_cast<uint32_t>(grammarId), rule, error);
    notActive = status == EngineStatus::RuleNotActive;
    return status == EngineStatus::Ok;
}


bool CoreBridge::ListSet(int grammarId, const std::string& list, const void* data, size_t size, std::string& error) {
    return impl_->recogniser.ListSet(static_cast<uint32_t>(grammarId), list, data, size, error) == EngineStatus::Ok;
}

bool CoreBridge::ListAppend(int grammarId, const std::string& list, const void* data, size_t size,
                            std::string& error) {
    return impl_->recogniser.ListAppend(static_cast<uint32_t>(grammarId), list, data, size, error) ==
           EngineStatus::Ok;
}

std::vector<BridgeRule> CoreBridge::Rules(int grammarId) const {
    std::vector<BridgeRule> rules;
    for (const RuleStatus& rule : impl_->recogniser.Rules(static_cast<uint32_t>(grammarId)))
        rules.push_back({rule.name, rule.active, rule.window});
    return rules;
}

std::vector<BridgeList> CoreBridge::Lists(int grammarId) const {
    std::vector<BridgeList> lists;
    for (const ListStatus& list : impl_->recogniser.Lists(static_cast<uint32_t>(grammarId)))
        lists.push_back({list.name, list.values});
    return lists;
}

BridgeMatch CoreBridge::Recognise(const std::vector<std::string>& words, uintptr_t foreground) {
    Recognition recognition = impl_->recogniser.Recognise(words, foreground);
    BridgeMatch match;
    match.recognised = recognition.recognised();
    if (!match.recognised) {
        match.failure = recognition.error;
        return match;
    }
    match.grammarId = static_cast<int>(recognition.grammar);
    for (const RecognisedWord& word : recognition.words)
        match.words.push_back({word.text, word.wordNumber, word.ruleNumber});
    return match;
}

void CoreBridge::CheckScript(const std::string& script, uint32_t& errorNumber, uint32_t& errorLine) {
    ScriptCheck check = qmsim::CheckScript(script);
    errorNumber = check.errorNumber;
    errorLine = check.errorLine;
}

BridgeScriptRun CoreBridge::RunScript(const std::string& script, const wchar_t* values, size_t valueUnits) {
    BridgeScriptRun run;
    std::vector<std::string> unpacked;
    if (values) {
        std::string error;
        // wchar_t is UTF-16 on Windows, the only place the engine runs.
        if (!UnpackScriptValues(reinterpret_cast<const char16_t*>(values), valueUnits, unpacked, error)) {
            run.failed = true;
            run.errorNumber = ScriptBadArgument;
            run.errorText = "values refused: " + error;
            return run;
        }
    }
    run.values = unpacked;
    ScriptRun result = qmsim::RunScript(script, unpacked);
    for (const ScriptAction& action : result.actions) {
        BridgeAction out;
        switch (action.kind) {
        case ScriptAction::Beep: out.kind = BridgeAction::Beep; break;
        case ScriptAction::TTSPlayString: out.kind = BridgeAction::TTSPlayString; break;
        case ScriptAction::Wait: out.kind = BridgeAction::Wait; break;
        case ScriptAction::SendKeys: out.kind = BridgeAction::SendKeys; break;
        case ScriptAction::HeardWord: out.kind = BridgeAction::HeardWord; break;
        }
        out.text = action.text;
        out.milliseconds = action.milliseconds;
        run.actions.push_back(out);
    }
    if (result.errorNumber != ScriptOk) {
        run.failed = true;
        run.errorNumber = result.errorNumber;
        run.errorLine = result.errorLine;
        run.errorText = result.errorText;
    }
    return run;
}

} // namespace qmsim
