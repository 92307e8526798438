#include "SubsetAutomaton.h"

#include <algorithm>
#include <utility>

namespace qmsim {

size_t SubsetAutomaton::NodesHash::operator()(const std::vector<uint32_t>& nodes) const
{
    uint64_t h = 1469598103934665603ull;
    for (uint32_t n : nodes)
        h = (h ^ n) * 1099511628211ull;
    return size_t(h ^ (h >> 32));
}

SubsetAutomaton::SubsetAutomaton(const WordGraph& graph, const SymbolTable& symbols, size_t budget)
    : graph_(graph), symbols_(symbols), budget_(budget), distance_(FewestWordsToAccept(graph)),
      saysWords_(graph.NodeCount(), false), seen_(graph.NodeCount(), 0)
{
    for (uint32_t node = 0; node < graph.NodeCount(); ++node)
        for (uint32_t e = graph.firstEdge[node]; e != WordGraph::None; e = graph.edges[e].next)
            if (graph.edges[e].symbol != WordGraph::Epsilon)
                saysWords_[node] = true;
}

// Every node the seeds reach without a word, depth first in edge order so that the order
// of alternatives is kept; only nodes that say words or accept are kept, and none that
// leads nowhere.
void SubsetAutomaton::Close(const std::vector<uint32_t>& seeds, std::vector<uint32_t>& closed)
{
    closed.clear();
    if (++stamp_ == 0) {
        std::fill(seen_.begin(), seen_.end(), 0);
        stamp_ = 1;
    }
    std::vector<std::pair<uint32_t, uint32_t>> path; // node, its next edge to look at
    auto visit = [&](uint32_t node) {
        if (seen_[node] == stamp_ || distance_[node] == WordGraph::None)
            return;
        seen_[node] = stamp_;
        if (saysWords_[node] || graph_.acceptOf[node])
            closed.push_back(node);
        path.push_back({node, graph_.firstEdge[node]});
    };
    for (uint32_t seed : seeds) {
        visit(seed);
        while (!path.empty()) {
            uint32_t& e = path.back().second;
            if (e == WordGraph::None) {
                path.pop_back();
                continue;
            }
            const WordGraph::Edge& edge = graph_.edges[e];
            e = edge.next;
            if (edge.symbol == WordGraph::Epsilon)
                visit(edge.target);
        }
    }
}

uint32_t SubsetAutomaton::Intern(std::vector<uint32_t>& closed)
{
    if (closed.empty() || exhausted_)
        return None;
    auto found = index_.find(closed);
    if (found != index_.end())
        return found->second;
    if (closed.size() > budget_) {
        exhausted_ = true;
        return None;
    }
    budget_ -= closed.size();
    State state{nullptr, WordGraph::None, false, false, {}};
    for (uint32_t node : closed) {
        state.fewestWords = std::min(state.fewestWords, distance_[node]);
        if (graph_.acceptOf[node])
            state.accepting = true;
    }
    const uint32_t id = uint32_t(states_.size());
    auto inserted = index_.emplace(std::move(closed), id);
    state.nodes = &inserted.first->first;
    states_.push_back(std::move(state));
    return id;
}

uint32_t SubsetAutomaton::StateOf(const std::vector<uint32_t>& nodes)
{
    std::vector<uint32_t> closed;
    Close(nodes, closed);
    return Intern(closed);
}

const std::vector<SubsetAutomaton::Transition>& SubsetAutomaton::Transitions(uint32_t state)
{
    State& s = states_[state];
    if (s.expanded)
        return s.transitions;
    s.expanded = true;

    struct Group {
        uint32_t symbol;
        std::vector<uint32_t> targets;
    };
    std::vector<Group> groups;
    std::unordered_map<uint32_t, size_t> groupOf;
    std::vector<uint32_t> anyTargets;
    uint32_t anyLabel = None;
    for (uint32_t node : *s.nodes)
        for (uint32_t e = graph_.firstEdge[node]; e != WordGraph::None; e = graph_.edges[e].next) {
            const WordGraph::Edge& edge = graph_.edges[e];
            if (edge.symbol == WordGraph::Epsilon || distance_[edge.target] == WordGraph::None)
                continue;
            const SymbolTable::Symbol& symbol = symbols_[edge.symbol];
            if (symbol.anyWord) {
                anyTargets.push_back(edge.target);
                // A list's name tells more than dictation about what can be said there.
                if (anyLabel == None || (symbols_[anyLabel].kind != SymbolTable::List && symbol.kind == SymbolTable::List))
                    anyLabel = edge.symbol;
                continue;
            }
            auto found = groupOf.emplace(edge.symbol, groups.size());
            if (found.second)
                groups.push_back({edge.symbol, {}});
            groups[found.first->second].targets.push_back(edge.target);
        }

    std::vector<Transition> transitions;
    std::vector<uint32_t> closed;
    for (Group& g : groups) {
        g.targets.insert(g.targets.end(), anyTargets.begin(), anyTargets.end());
        Close(g.targets, closed);
        const uint32_t target = Intern(closed);
        if (target != None)
            transitions.push_back({g.symbol, target});
    }
    if (!anyTargets.empty()) {
        Close(anyTargets, closed);
        const uint32_t target = Intern(closed);
        if (target != None)
            transitions.push_back({anyLabel, target});
    }
    // states_ is a deque: the reference s survived the states made above.
    s.transitions = std::move(transitions);
    return s.transitions;
}

} // namespace qmsim
