// qm-gramc --conflicts: pairs of exported rules, of one grammar or of several active
// together, that accept a common phrase, and exported rules that accept no phrase.
//
// Decided on the rules' word graphs, never by listing phrases: the graphs of all rules are
// made deterministic together, as far as at least two rules can still go on, and searched
// breadth first, so the phrase found for a pair is one of its shortest common phrases.
// Words compare as the matcher compares them; a list without entries matches any word, and
// dictation one or more words. In a phrase, a word matched by a list or dictation shows as
// the other rule's word; where both sides match any word it shows as "{NAME}" (a list) or
// "<dgndictation>".
#pragma once

#include "WordGraph.h"

#include <cstddef>
#include <string>
#include <vector>

namespace qmsim {

struct AnalysedRule {
    std::string name;
    size_t grammar; // index into the grammars compared
};

struct RuleConflict {
    size_t first, second; // indices into ConflictReport::rules, first < second
    std::string phrase;   // a shortest common phrase
};

struct ConflictReport {
    std::vector<AnalysedRule> rules;     // the exported rules, grammar by grammar
    std::vector<RuleConflict> conflicts; // by first, then second
    std::vector<size_t> unreachable;     // rules that accept no phrase, in order
};

// False with error when the rules are too large or too involved to compare.
bool FindConflicts(const std::vector<const BinaryGrammar*>& grammars, const ListEntries& lists,
                   ConflictReport& report, std::string& error);

} // namespace qmsim
