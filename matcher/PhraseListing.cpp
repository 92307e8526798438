#include "PhraseListing.h"

#include "SubsetAutomaton.h"

#include <queue>
#include <unordered_map>

namespace qmsim {

namespace {

constexpr size_t StateBudget = 8000000; // node entries of one rule's automaton
constexpr uint32_t None = SubsetAutomaton::None;
constexpr uint32_t EndHere = UINT32_MAX; // the choice of ending the phrase in an accepting state

// Walks one rule's automaton in the order phrases are listed. Every path of states says
// other words, so no phrase needs to be remembered to be listed once.
//
// A heap holds choices - the next transition of a state reached by some words, or ending
// there - keyed by the fewest words of any phrase through the choice and then by the
// grammar's order of the choices on its path. A state's choices are sorted by that key,
// and a choice's next sibling and its first successor enter the heap only when it leaves
// it; so the heap stays as small as what has been listed, and a state with a hundred
// thousand transitions costs one sort, not a hundred thousand heap entries.
class PhraseWalk {
public:
    PhraseWalk(SubsetAutomaton& automaton, const SymbolTable& symbols) : automaton_(automaton), symbols_(symbols) {}

    void List(uint32_t start, size_t maxPhrases, RulePhrases& out);
    bool Count(uint32_t start, uint64_t& total);

private:
    struct Choice {
        uint32_t prefix; // the choice that led to state, None for the first word
        uint32_t state;  // where the choice is made
        const std::vector<uint32_t>* choices;
        uint32_t rank;   // into choices
        uint32_t depth;  // choices on the path, this one included
        uint32_t bound;  // words of the shortest phrase through this choice
    };

    const std::vector<uint32_t>& ChoicesOf(uint32_t state, bool mayEnd);
    uint32_t Value(uint32_t c) const { return (*items_[c].choices)[items_[c].rank]; }
    uint32_t GrammarOrder(uint32_t c) const { return Value(c) == EndHere ? 0 : Value(c) + 1; }
    uint32_t Push(uint32_t prefix, uint32_t state, const std::vector<uint32_t>& choices, uint32_t rank);
    bool Before(uint32_t a, uint32_t b) const;
    std::string Words(uint32_t end);

    SubsetAutomaton& automaton_;
    const SymbolTable& symbols_;
    std::unordered_map<uint32_t, std::vector<uint32_t>> choices_; // by state, ending included
    std::vector<uint32_t> firstChoices_;                          // of the start: no empty phrase
    std::vector<Choice> items_;
};

const std::vector<uint32_t>& PhraseWalk::ChoicesOf(uint32_t state, bool mayEnd)
{
    if (mayEnd) {
        auto found = choices_.find(state);
        if (found != choices_.end())
            return found->second;
    }
    std::vector<uint32_t>& list = mayEnd ? choices_[state] : firstChoices_;
    const std::vector<SubsetAutomaton::Transition>& transitions = automaton_.Transitions(state);
    if (mayEnd && automaton_.Accepting(state))
        list.push_back(EndHere);
    for (uint32_t j = 0; j < transitions.size(); ++j)
        list.push_back(j);
    // Fewest words first; the sort is stable, so the grammar's order decides between equals.
    auto cost = [&](uint32_t v) { return v == EndHere ? 0 : 1 + automaton_.FewestWords(transitions[v].target); };
    std::stable_sort(list.begin(), list.end(), [&](uint32_t a, uint32_t b) { return cost(a) < cost(b); });
    return list;
}

uint32_t PhraseWalk::Push(uint32_t prefix, uint32_t state, const std::vector<uint32_t>& choices, uint32_t rank)
{
    Choice c{prefix, state, &choices, rank, 1, 0};
    uint32_t words = 0;
    if (prefix != None) {
        c.depth = items_[prefix].depth + 1;
        // The words said up to state: the prefix's bound less the fewest words from state on.
        words = items_[prefix].bound - automaton_.FewestWords(state);
    }
    const uint32_t v = choices[rank];
    c.bound = v == EndHere ? words
                           : words + 1 + automaton_.FewestWords(automaton_.Transitions(state)[v].target);
    items_.push_back(c);
    return uint32_t(items_.size() - 1);
}

// Fewer words first, then the grammar's order of the choices along the two paths.
bool PhraseWalk::Before(uint32_t a, uint32_t b) const
{
    if (items_[a].bound != items_[b].bound)
        return items_[a].bound < items_[b].bound;
    uint32_t x = a, y = b, belowX = None, belowY = None;
    while (items_[x].depth > items_[y].depth) {
        belowX = x;
        x = items_[x].prefix;
    }
    while (items_[y].depth > items_[x].depth) {
        belowY = y;
        y = items_[y].prefix;
    }
    while (x != y) {
        belowX = x;
        belowY = y;
        x = items_[x].prefix;
        y = items_[y].prefix;
    }
    if (belowX == None)
        return belowY != None; // a's path begins b's
    if (belowY == None)
        return false;
    return GrammarOrder(belowX) < GrammarOrder(belowY);
}

std::string PhraseWalk::Words(uint32_t end)
{
    std::vector<uint32_t> symbols;
    for (uint32_t c = items_[end].prefix; c != None; c = items_[c].prefix)
        symbols.push_back(automaton_.Transitions(items_[c].state)[Value(c)].symbol);
    std::string text;
    for (size_t i = symbols.size(); i-- > 0;) {
        text += symbols_[symbols[i]].text;
        if (i)
            text += ' ';
    }
    return text;
}

void PhraseWalk::List(uint32_t start, size_t maxPhrases, RulePhrases& out)
{
    auto after = [this](uint32_t a, uint32_t b) { return Before(b, a); };
    std::priority_queue<uint32_t, std::vector<uint32_t>, decltype(after)> heap(after);
    const std::vector<uint32_t>& first = ChoicesOf(start, false);
    if (!first.empty())
        heap.push(Push(None, start, first, 0));
    while (!heap.empty()) {
        if (out.phrases.size() >= maxPhrases) {
            out.more = true; // every choice left leads to a phrase not listed yet
            return;
        }
        const uint32_t c = heap.top();
        heap.pop();
        const Choice chosen = items_[c];
        if (chosen.rank + 1 < chosen.choices->size())
            heap.push(Push(chosen.prefix, chosen.state, *chosen.choices, chosen.rank + 1));
        const uint32_t v = Value(c);
        if (v == EndHere) {
            out.phrases.push_back(Words(c));
            continue;
        }
        const uint32_t next = automaton_.Transitions(chosen.state)[v].target;
        const std::vector<uint32_t>& choices = ChoicesOf(next, true);
        if (!choices.empty())
            heap.push(Push(c, next, choices, 0));
    }
}

// Phrases in all: paths of states from the start to accepting states, without the empty
// one. Depth first without recursion, as a rule can be a chain of many thousand words.
bool PhraseWalk::Count(uint32_t start, uint64_t& total)
{
    std::vector<uint64_t> count;
    std::vector<unsigned char> mark; // 0 not reached, 1 on the path, 2 counted
    auto add = [](uint64_t a, uint64_t b) { return a + b >= MaxToldPhraseCount ? MaxToldPhraseCount : a + b; };
    auto grow = [&] {
        count.resize(automaton_.StateCount(), 0);
        mark.resize(automaton_.StateCount(), 0);
    };
    grow();
    std::vector<std::pair<uint32_t, uint32_t>> path{{start, 0}};
    mark[start] = 1;
    while (!path.empty() && !automaton_.Exhausted()) {
        const uint32_t s = path.back().first;
        const std::vector<SubsetAutomaton::Transition>& transitions = automaton_.Transitions(s);
        grow();
        uint32_t& next = path.back().second;
        if (next < transitions.size()) {
            const uint32_t t = transitions[next++].target;
            if (mark[t] == 0) {
                mark[t] = 1;
                path.push_back({t, 0});
            } else {
                // A state on the path again would mean endless phrases: not told.
                count[s] = add(count[s], mark[t] == 1 ? MaxToldPhraseCount : count[t]);
            }
            continue;
        }
        count[s] = add(count[s], automaton_.Accepting(s) ? 1 : 0);
        mark[s] = 2;
        path.pop_back();
        if (!path.empty())
            count[path.back().first] = add(count[path.back().first], count[s]);
    }
    if (automaton_.Exhausted() || count[start] >= MaxToldPhraseCount)
        return false;
    total = count[start] - (automaton_.Accepting(start) ? 1 : 0);
    return true;
}

} // namespace

bool ListPhrases(const BinaryGrammar& grammar, const ListEntries& lists, size_t maxPhrases,
                 const std::function<void(const RulePhrases&)>& report, std::string& error)
{
    SymbolTable symbols;
    WordGraphOptions options;
    options.unrollRepetition = true;
    options.lists = &lists;
    WordGraphBuilder builder(grammar, options, symbols);
    WordGraph graph;
    for (const GrammarNameEntry& rule : builder.ExportedRules()) {
        graph.Clear();
        uint32_t start = 0;
        std::string why;
        if (!builder.AddRule(graph, rule.id, 1, start, why)) {
            error = "rule <" + rule.name + "> is too large to analyse: " + why;
            return false;
        }
        SubsetAutomaton automaton(graph, symbols, StateBudget);
        PhraseWalk walk(automaton, symbols);
        RulePhrases out;
        out.rule = rule.name;
        const uint32_t first = automaton.StateOf({start});
        if (first != None) {
            walk.List(first, maxPhrases, out);
            if (automaton.Exhausted()) {
                error = FormatGrammarMessage("rule <%s> is too large to analyse: its phrases take more than %zu states",
                                             rule.name.c_str(), StateBudget);
                return false;
            }
            if (out.more)
                out.counted = walk.Count(first, out.total);
        }
        report(out);
    }
    return true;
}

} // namespace qmsim
