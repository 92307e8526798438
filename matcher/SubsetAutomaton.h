// A word graph made deterministic as far as it is walked: each state is the ordered set of
// graph nodes that one sequence of words can reach, so that two paths of states never say
// the same words. States are made when first reached; a budget bounds their total size.
//
// A state's nodes stay in the order of the grammar's alternatives (nodes reached through an
// earlier alternative first), and its transitions in the order their words first appear
// among those nodes' edges; walking transitions in order therefore meets phrases in the
// grammar's order. Symbols that match any word are folded into every transition, plus one
// transition of their own for all words no other edge names.
#pragma once

#include "WordGraph.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

namespace qmsim {

class SubsetAutomaton {
public:
    static constexpr uint32_t None = UINT32_MAX;
    struct Transition {
        uint32_t symbol; // an any-word symbol: every word no other transition of the state names
        uint32_t target;
    };

    // budget: how many node entries all states may hold together.
    SubsetAutomaton(const WordGraph& graph, const SymbolTable& symbols, size_t budget);

    // The state of the given nodes and all they reach without a word; None when none of them
    // leads to an accepting node.
    uint32_t StateOf(const std::vector<uint32_t>& nodes);

    const std::vector<uint32_t>& Nodes(uint32_t state) const { return *states_[state].nodes; }
    uint32_t FewestWords(uint32_t state) const { return states_[state].fewestWords; }
    bool Accepting(uint32_t state) const { return states_[state].accepting; }
    const std::vector<Transition>& Transitions(uint32_t state);
    size_t StateCount() const { return states_.size(); }

    // True once the budget ran out: from then on no state is made, and what was asked of
    // the automaton is incomplete.
    bool Exhausted() const { return exhausted_; }
    uint32_t NodeDistance(uint32_t node) const { return distance_[node]; }

private:
    struct State {
        const std::vector<uint32_t>* nodes;
        uint32_t fewestWords;
        bool accepting;
        bool expanded;
        std::vector<Transition> transitions;
    };
    struct NodesHash {
        size_t operator()(const std::vector<uint32_t>& nodes) const;
    };

    void Close(const std::vector<uint32_t>& seeds, std::vector<uint32_t>& closed);
    uint32_t Intern(std::vector<uint32_t>& closed);

    const WordGraph& graph_;
    const SymbolTable& symbols_;
    size_t budget_;
    bool exhausted_ = false;
    std::vector<uint32_t> distance_;
    std::vector<bool> saysWords_; // the node has an edge that takes a word
    std::vector<uint32_t> seen_;  // closure marks, by stamp
    uint32_t stamp_ = 0;
    std::deque<State> states_;
    std::unordered_map<std::vector<uint32_t>, uint32_t, NodesHash> index_;
};

} // namespace qmsim
