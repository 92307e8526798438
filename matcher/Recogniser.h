// The simulated recogniser's model: loaded grammars, activation of their exported rules
// (globally or bound to a window), list contents, and recognition of typed phrases.
// Portable; names and texts are UTF-8 (see TextConversion.h for the conversions).
#pragma once

#include "LoadedGrammar.h"
#include "PhraseMatcher.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qmsim {

enum class EngineStatus {
    Ok,
    NoSuchGrammar,  // handle not loaded
    BadGrammar,     // load refused: the data failed reading or validation
    NoSuchRule,     // no exported rule of that name
    RuleNotActive,  // deactivation of an exported rule that is not active
    NoSuchList,     // no list of that name
    BadWordRecords, // malformed ListSet/ListAppend block
};

enum class RecognitionFailure { None, NoWords, TooManyWords, NoActiveRules, NoParse, TooComplex };

struct Recognition {
    RecognitionFailure failure = RecognitionFailure::NoParse;
    std::string error;        // failure text; empty when recognised
    uint32_t grammar = 0;     // handle of the winning grammar
    uint32_t ruleId = 0;      // the exported rule that matched
    std::string ruleName;
    std::vector<RecognisedWord> words;
    // NoParse: the most words from the phrase's start that an active rule followed.
    size_t wordsFollowed = 0;

    bool recognised() const { return failure == RecognitionFailure::None; }
};

struct RuleStatus {
    std::string name;
    uint32_t id = 0;
    bool active = false;
    uintptr_t window = 0;
};

struct ListStatus {
    std::string name;
    std::vector<std::string> values;
};

constexpr size_t MaxPhraseWords = 256;
constexpr size_t RecognitionStepBudget = 2000000;

class Recogniser {
public:
    // Reads and validates the block; on success handle receives a new number (from 1,
    // never reused). On refusal error holds the reason.
    EngineStatus Load(const void* data, size_t size, uint32_t& handle, std::string& error);
    EngineStatus Unload(uint32_t handle);

    // rule null: every exported rule. window 0: global; else the activation applies
    // only while that window is in the foreground. Activating an active rule rebinds it.
    // changed (optional) tells whether any rule's state or binding is now different.
    EngineStatus Activate(uint32_t handle, const std::string* rule, uintptr_t window, std::string& error,
                          bool* changed = nullptr);
    // rule null: every exported rule, whether active or not.
    EngineStatus Deactivate(uint32_t handle, const std::string* rule, std::string& error);

    // Blocks of wide word records; a refused block leaves the list unchanged.
    EngineStatus ListSet(uint32_t handle, const std::string& list, const void* data, size_t size, std::string& error);
    EngineStatus ListAppend(uint32_t handle, const std::string& list, const void* data, size_t size, std::string& error);

    // Grammars are tried oldest first, rules in definition order; the first match wins.
    Recognition Recognise(const std::vector<std::string>& words, uintptr_t foregroundWindow) const;
    Recognition Recognise(const std::string& phrase, uintptr_t foregroundWindow) const;

    std::vector<uint32_t> Grammars() const;
    std::vector<RuleStatus> Rules(uint32_t handle) const;   // exported rules
    std::vector<ListStatus> Lists(uint32_t handle) const;

private:
    LoadedGrammar* Find(uint32_t handle);
    EngineStatus FillList(uint32_t handle, const std::string& list, const void* data, size_t size,
                          bool replace, std::string& error);

    std::map<uint32_t, LoadedGrammar> grammars_;
    uint32_t nextHandle_ = 1;
};

} // namespace qmsim
