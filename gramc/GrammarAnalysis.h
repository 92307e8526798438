// qm-gramc --phrases and --conflicts: the analyses of matcher/ printed as lines.
#pragma once

#include "BinaryGrammar.h"
#include "PhraseTrial.h"
#include "WordGraph.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

struct AnalysedGrammar {
    std::string file; // as named on the command line
    BinaryGrammar grammar;
};

// --list values as entries by list name (a list named twice gets both runs). False with
// error naming a list that none of the grammars has.
bool ListEntriesFor(const std::vector<ListValues>& lists, const std::vector<AnalysedGrammar>& grammars,
                    qmsim::ListEntries& entries, std::string& error);

// "<rule>:" and its phrases, for each exported rule. Returns false with error when a rule is
// too large to analyse.
bool PrintPhrases(const AnalysedGrammar& grammar, const qmsim::ListEntries& lists, std::size_t maxPhrases,
                  std::FILE* out, std::string& error);

// "conflict: ..." and "unreachable: ..." lines. Returns the exit status: 0 when there are none,
// 1 when there is one, 2 (with error) when the rules are too large to compare.
int PrintConflicts(const std::vector<AnalysedGrammar>& grammars, const qmsim::ListEntries& lists, std::FILE* out,
                   std::string& error);
