#include "GrammarAnalysis.h"

#include "PhraseListing.h"
#include "RuleConflicts.h"

bool ListEntriesFor(const std::vector<ListValues>& lists, const std::vector<AnalysedGrammar>& grammars,
                    qmsim::ListEntries& entries, std::string& error)
{
    for (const ListValues& list : lists) {
        bool known = false;
        for (const AnalysedGrammar& g : grammars)
            for (const GrammarNameEntry& l : g.grammar.lists)
                known = known || l.name == list.name;
        if (!known) {
            error = "no list named \"" + list.name + "\" in " + (grammars.size() == 1 ? "the grammar" : "the grammars");
            return false;
        }
        std::vector<std::string>& values = entries[list.name];
        values.insert(values.end(), list.values.begin(), list.values.end());
    }
    return true;
}

bool PrintPhrases(const AnalysedGrammar& grammar, const qmsim::ListEntries& lists, std::size_t maxPhrases,
                  std::FILE* out, std::string& error)
{
    auto print = [out](const qmsim::RulePhrases& rule) {
        std::fprintf(out, "<%s>:\n", rule.rule.c_str());
        for (const std::string& phrase : rule.phrases)
            std::fprintf(out, "%s\n", phrase.c_str());
        if (rule.more && rule.counted)
            std::fprintf(out, "... %llu more (%llu in all)\n",
                         static_cast<unsigned long long>(rule.total - rule.phrases.size()),
                         static_cast<unsigned long long>(rule.total));
        else if (rule.more)
            std::fprintf(out, "... and more\n");
    };
    return qmsim::ListPhrases(grammar.grammar, lists, maxPhrases, print, error);
}

int PrintConflicts(const std::vector<AnalysedGrammar>& grammars, const qmsim::ListEntries& lists, std::FILE* out,
                   std::string& error)
{
    std::vector<const BinaryGrammar*> compared;
    for (const AnalysedGrammar& g : grammars)
        compared.push_back(&g.grammar);
    qmsim::ConflictReport report;
    if (!qmsim::FindConflicts(compared, lists, report, error))
        return 2;
    auto rule = [&](std::size_t r) {
        return "<" + report.rules[r].name + "> (" + grammars[report.rules[r].grammar].file + ")";
    };
    for (const qmsim::RuleConflict& c : report.conflicts)
        std::fprintf(out, "conflict: %s and %s: \"%s\"\n", rule(c.first).c_str(), rule(c.second).c_str(),
                     c.phrase.c_str());
    for (std::size_t r : report.unreachable)
        std::fprintf(out, "unreachable: %s\n", rule(r).c_str());
    return report.conflicts.empty() && report.unreachable.empty() ? 0 : 1;
}
