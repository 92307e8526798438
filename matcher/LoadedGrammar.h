// One grammar as the recogniser holds it after a successful load: names in UTF-8,
// rule bodies as trees, list contents and the activation state of exported rules.
#pragma once

#include "BinaryGrammar.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmsim {

struct MatchNode {
    enum Kind { Word, List, Rule, Dictation, Sequence, Alternatives, Repetition, Optional };
    Kind kind = Sequence;
    size_t index = 0; // into words, lists or rules for Word, List and Rule
    std::vector<MatchNode> children;
};

struct GrammarWord {
    uint32_t id = 0;
    std::string text;                // grammar spelling, reported as it stands
    std::vector<std::string> tokens; // what must be said: the text split at spaces
};

struct ListValue {
    uint32_t wordNumber = 0; // as given in the word record
    std::string text;
    std::vector<std::string> tokens;
};

struct GrammarList {
    uint32_t id = 0;
    std::string name;
    std::vector<ListValue> values; // in the order set and appended
    std::vector<size_t> trialOrder; // longest values first, ties in list order

    void Add(ListValue value);
    void Clear();
};

struct GrammarRule {
    uint32_t id = 0;
    bool exported = false;
    std::string name; // exported name; empty for rules that are not exported
    MatchNode body;
    bool active = false;
    uintptr_t window = 0; // binding of the activation; 0 = global
};

struct LoadedGrammar {
    uint32_t handle = 0;
    std::vector<GrammarWord> words;
    std::vector<GrammarList> lists;
    std::vector<GrammarRule> rules; // in the order of the rule definitions

    // Builds from a validated grammar; names are read as Windows-1252.
    static LoadedGrammar FromBinary(const BinaryGrammar& g, uint32_t handle);

    GrammarRule* FindExportedRule(const std::string& name);
    GrammarList* FindList(const std::string& name);
};

} // namespace qmsim
