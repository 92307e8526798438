#include "RuleConflicts.h"

#include "SubsetAutomaton.h"

#include <algorithm>
#include <deque>
#include <unordered_set>

namespace qmsim {

namespace {

constexpr size_t StateBudget = 40000000; // node entries of all states together
constexpr uint32_t None = SubsetAutomaton::None;

// A rule accepts a phrase when a word edge lies on a path from its start to its accepting
// node (the empty phrase, which cannot be said, does not count).
bool AcceptsAPhrase(const WordGraph& graph, const SubsetAutomaton& automaton, uint32_t start)
{
    std::vector<uint32_t> stack{start};
    std::unordered_set<uint32_t> reached{start};
    while (!stack.empty()) {
        const uint32_t node = stack.back();
        stack.pop_back();
        for (uint32_t e = graph.firstEdge[node]; e != WordGraph::None; e = graph.edges[e].next) {
            const WordGraph::Edge& edge = graph.edges[e];
            if (edge.symbol != WordGraph::Epsilon && automaton.NodeDistance(edge.target) != WordGraph::None)
                return true;
            if (reached.insert(edge.target).second)
                stack.push_back(edge.target);
        }
    }
    return false;
}

// How the search first reached a state.
struct Reached {
    uint32_t from; // None: by the first word
    uint32_t symbol;
};

std::string PhraseTo(uint32_t state, const std::vector<Reached>& how, const SymbolTable& symbols)
{
    std::vector<uint32_t> words;
    for (uint32_t at = state; at != None; at = how[at].from)
        words.push_back(how[at].symbol);
    std::string phrase;
    for (size_t k = words.size(); k-- > 0;)
        phrase += symbols[words[k]].text + (k ? " " : "");
    return phrase;
}

} // namespace

bool FindConflicts(const std::vector<const BinaryGrammar*>& grammars, const ListEntries& lists,
                   ConflictReport& report, std::string& error)
{
    report = ConflictReport();
    SymbolTable symbols;
    WordGraphOptions options;
    options.anyWords = true;
    options.lists = &lists;
    WordGraph graph;
    std::vector<uint32_t> starts;
    std::vector<uint32_t> ruleOf; // per node
    for (size_t g = 0; g < grammars.size(); ++g) {
        WordGraphBuilder builder(*grammars[g], options, symbols);
        for (const GrammarNameEntry& rule : builder.ExportedRules()) {
            uint32_t start = 0;
            std::string why;
            const uint32_t index = uint32_t(report.rules.size());
            if (!builder.AddRule(graph, rule.id, index + 1, start, why)) {
                error = "rule <" + rule.name + "> is too large to analyse: " + why;
                return false;
            }
            report.rules.push_back({rule.name, g});
            starts.push_back(start);
            ruleOf.resize(graph.NodeCount(), index);
        }
    }

    SubsetAutomaton automaton(graph, symbols, StateBudget);
    for (size_t r = 0; r < starts.size(); ++r)
        if (!AcceptsAPhrase(graph, automaton, starts[r]))
            report.unreachable.push_back(r);

    // Breadth first over the states of all rules together, from the start (no word said yet,
    // which a later state may equal); a state is followed only while two rules can still go on.
    std::vector<Reached> how; // by state
    std::vector<bool> queued;
    std::deque<uint32_t> queue;
    auto follow = [&](uint32_t s, uint32_t from) {
        const std::vector<uint32_t>& nodes = automaton.Nodes(s);
        bool twoRules = false;
        for (uint32_t node : nodes)
            if (ruleOf[node] != ruleOf[nodes.front()]) {
                twoRules = true;
                break;
            }
        if (!twoRules)
            return;
        const std::vector<SubsetAutomaton::Transition>& transitions = automaton.Transitions(s);
        queued.resize(automaton.StateCount(), false);
        how.resize(automaton.StateCount(), {None, None});
        for (const SubsetAutomaton::Transition& t : transitions)
            if (!queued[t.target]) {
                queued[t.target] = true;
                how[t.target] = {from, t.symbol};
                queue.push_back(t.target);
            }
    };
    const uint32_t first = automaton.StateOf(starts);
    if (first != None)
        follow(first, None);
    std::unordered_set<uint64_t> found;
    std::vector<uint32_t> accepting;
    while (!queue.empty() && !automaton.Exhausted()) {
        const uint32_t s = queue.front();
        queue.pop_front();
        if (automaton.Accepting(s)) {
            accepting.clear();
            for (uint32_t node : automaton.Nodes(s))
                if (graph.acceptOf[node])
                    accepting.push_back(graph.acceptOf[node] - 1);
            std::sort(accepting.begin(), accepting.end());
            for (size_t i = 0; i < accepting.size(); ++i)
                for (size_t j = i + 1; j < accepting.size(); ++j) {
                    const uint64_t key = (uint64_t(accepting[i]) << 32) | accepting[j];
                    if (found.insert(key).second)
                        report.conflicts.push_back({accepting[i], accepting[j], PhraseTo(s, how, symbols)});
                }
        }
        follow(s, s);
    }
    if (automaton.Exhausted()) {
        error = FormatGrammarMessage("the rules are too involved to compare: their states hold more than %zu nodes",
                                     StateBudget);
        return false;
    }
    std::sort(report.conflicts.begin(), report.conflicts.end(), [](const RuleConflict& a, const RuleConflict& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    return true;
}

} // namespace qmsim
