// qm-gramc --phrases: the phrases each exported rule accepts, fewest words first and then
// in the grammar's order of alternatives, each phrase once. A repetition counts one round
// or two; a list without entries, dictation and other imported rules are one word each,
// shown as "{NAME}" and "<name>".
#pragma once

#include "WordGraph.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qmsim {

// Counts at or above this are not told ("... and more").
constexpr uint64_t MaxToldPhraseCount = 1000000000000000000ull;

struct RulePhrases {
    std::string rule;                 // exported name
    std::vector<std::string> phrases; // words separated by one space
    bool more = false;                // the rule accepts more phrases than were listed
    bool counted = false;             // with more: total holds how many it accepts in all
    uint64_t total = 0;
};

// Calls report for each exported rule in the order of the grammar. False with error (naming
// the rule) when a rule is too large to analyse; the rules before it have been reported.
bool ListPhrases(const BinaryGrammar& grammar, const ListEntries& lists, size_t maxPhrases,
                 const std::function<void(const RulePhrases&)>& report, std::string& error);

} // namespace qmsim
