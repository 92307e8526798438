// A rule of a binary grammar as a word graph: nodes joined by edges that each say one word
// (or take none), with every rule reference inlined. What --phrases lists and --conflicts
// compares is read off these graphs, so both see the grammar that the recogniser loads.
// Portable: no Windows headers. Texts are the grammar's bytes (Windows-1252).
#pragma once

#include "BinaryGrammar.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace qmsim {

// Entries of lists by list name (exact, case-sensitive); a list not named here has none
// given, and stands for what a list can hold.
using ListEntries = std::map<std::string, std::vector<std::string>>;

// What an edge says. Words are compared as the matcher compares them (ASCII letters
// without case), so one symbol stands for every spelling of a word; it shows the first.
class SymbolTable {
public:
    enum Kind : uint8_t { Word, List, Import, Dictation };
    struct Symbol {
        Kind kind;
        bool anyWord; // matches every word: dictation and lists without entries, when compared
        std::string text;
    };

    uint32_t Intern(Kind kind, const std::string& text, bool anyWord);
    const Symbol& operator[](uint32_t id) const { return symbols_[id]; }
    size_t size() const { return symbols_.size(); }

private:
    std::vector<Symbol> symbols_;
    std::unordered_map<std::string, uint32_t> index_;
};

struct WordGraph {
    static constexpr uint32_t Epsilon = UINT32_MAX; // an edge that takes no word
    static constexpr uint32_t None = UINT32_MAX;
    struct Edge {
        uint32_t symbol;
        uint32_t target;
        uint32_t next; // the node's next edge, in the order added
    };

    std::vector<uint32_t> firstEdge, lastEdge;
    std::vector<uint32_t> acceptOf; // per node: 1 + the index of the rule that accepts there, or 0
    std::vector<Edge> edges;

    uint32_t AddNode();
    void AddEdge(uint32_t from, uint32_t symbol, uint32_t to);
    size_t NodeCount() const { return firstEdge.size(); }
    void Clear();
};

// For every node the fewest words that lead from it to an accepting node; None where none does.
std::vector<uint32_t> FewestWordsToAccept(const WordGraph& graph);

struct WordGraphOptions {
    // --phrases: a repetition is one round or two; --conflicts: as many as said.
    bool unrollRepetition = false;
    // --conflicts: dictation is one or more of any word, and a list without entries any word;
    // --phrases: each is one symbol shown in place ("<dgndictation>", "{NAME}").
    bool anyWords = false;
    const ListEntries* lists = nullptr;
    size_t maxEdges = 8000000; // a graph that grows beyond this is too large to analyse
};

// Adds the graphs of one grammar's exported rules to a graph. A rule reference that the
// recogniser cannot follow (undefined, circular, or chained deeper than MaxRuleDepth)
// and an element it does not know accept nothing, so nothing here trusts the block.
class WordGraphBuilder {
public:
    WordGraphBuilder(const BinaryGrammar& grammar, const WordGraphOptions& options, SymbolTable& symbols);

    // The exported rules in the order of the grammar: name and rule ID.
    const std::vector<GrammarNameEntry>& ExportedRules() const { return grammar_.exportedRules; }
    bool HasList(const std::string& name) const;

    // Adds the rule's graph from a new start node to a new node that accepts for acceptTag
    // (1 + the caller's index of the rule). False with error when it is too large or deep.
    bool AddRule(WordGraph& graph, uint32_t ruleId, uint32_t acceptTag, uint32_t& start, std::string& error);

private:
    using Elements = std::vector<GrammarElement>;
    void BuildRule(uint32_t ruleId, uint32_t from, uint32_t to);
    void BuildOperands(const Elements& body, size_t& at, uint32_t from, uint32_t to);
    void BuildItem(const Elements& body, size_t& at, uint32_t from, uint32_t to);
    void BuildOperation(const Elements& body, size_t& at, uint32_t code, uint32_t from, uint32_t to);
    void BuildList(uint32_t listId, uint32_t from, uint32_t to);
    void BuildImport(const std::string& name, uint32_t from, uint32_t to);
    void BuildSymbols(const std::vector<uint32_t>& symbols, uint32_t from, uint32_t to);
    uint32_t NewNode();
    void Edge(uint32_t from, uint32_t symbol, uint32_t to);
    void Fail(const std::string& why);

    const BinaryGrammar& grammar_;
    WordGraphOptions options_;
    SymbolTable& symbols_;
    std::unordered_map<uint32_t, std::vector<uint32_t>> wordSymbols_;
    std::unordered_map<uint32_t, std::string> listNames_, importNames_;
    std::unordered_map<uint32_t, size_t> ruleIndex_;
    std::unordered_map<std::string, std::vector<std::vector<uint32_t>>> listEntrySymbols_;

    WordGraph* graph_ = nullptr;
    std::vector<uint32_t> ruleStack_;
    size_t depth_ = 0;
    bool failed_ = false;
    std::string error_;
};

} // namespace qmsim
