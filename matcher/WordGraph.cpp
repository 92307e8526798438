#include "WordGraph.h"

#include "TextConversion.h"

#include <algorithm>
#include <deque>

namespace qmsim {

namespace {

// Nested operations and rule references together; each level takes three small frames.
constexpr size_t MaxBuildDepth = 1024;

} // namespace

uint32_t SymbolTable::Intern(Kind kind, const std::string& text, bool anyWord)
{
    std::string key(1, char('0' + kind * 2 + (anyWord ? 1 : 0)));
    key += kind == Word ? FoldedAsciiCase(text) : text;
    auto found = index_.emplace(std::move(key), uint32_t(symbols_.size()));
    if (found.second)
        symbols_.push_back({kind, anyWord, text});
    return found.first->second;
}

uint32_t WordGraph::AddNode()
{
    firstEdge.push_back(None);
    lastEdge.push_back(None);
    acceptOf.push_back(0);
    return uint32_t(firstEdge.size() - 1);
}

void WordGraph::AddEdge(uint32_t from, uint32_t symbol, uint32_t to)
{
    const uint32_t e = uint32_t(edges.size());
    edges.push_back({symbol, to, None});
    if (lastEdge[from] == None)
        firstEdge[from] = e;
    else
        edges[lastEdge[from]].next = e;
    lastEdge[from] = e;
}

void WordGraph::Clear()
{
    firstEdge.clear();
    lastEdge.clear();
    acceptOf.clear();
    edges.clear();
}

std::vector<uint32_t> FewestWordsToAccept(const WordGraph& graph)
{
    const size_t n = graph.NodeCount();
    // Edges by target, so that the search can run backwards from the accepting nodes.
    std::vector<uint32_t> begin(n + 1, 0), sources(graph.edges.size());
    std::vector<const WordGraph::Edge*> byTarget(graph.edges.size());
    for (const WordGraph::Edge& e : graph.edges)
        ++begin[e.target + 1];
    for (size_t i = 0; i < n; ++i)
        begin[i + 1] += begin[i];
    std::vector<uint32_t> fill(begin.begin(), begin.end() - 1);
    for (uint32_t node = 0; node < n; ++node)
        for (uint32_t e = graph.firstEdge[node]; e != WordGraph::None; e = graph.edges[e].next) {
            const uint32_t at = fill[graph.edges[e].target]++;
            sources[at] = node;
            byTarget[at] = &graph.edges[e];
        }

    // Breadth first with two weights: an edge without a word costs nothing.
    std::vector<uint32_t> distance(n, WordGraph::None);
    std::deque<uint32_t> queue;
    for (uint32_t node = 0; node < n; ++node)
        if (graph.acceptOf[node]) {
            distance[node] = 0;
            queue.push_back(node);
        }
    while (!queue.empty()) {
        const uint32_t node = queue.front();
        queue.pop_front();
        for (uint32_t i = begin[node]; i < begin[node + 1]; ++i) {
            const bool free = byTarget[i]->symbol == WordGraph::Epsilon;
            const uint32_t d = distance[node] + (free ? 0 : 1);
            const uint32_t source = sources[i];
            if (d < distance[source]) {
                distance[source] = d;
                if (free)
                    queue.push_front(source);
                else
                    queue.push_back(source);
            }
        }
    }
    return distance;
}

WordGraphBuilder::WordGraphBuilder(const BinaryGrammar& grammar, const WordGraphOptions& options,
                                   SymbolTable& symbols)
    : grammar_(grammar), options_(options), symbols_(symbols)
{
    auto toSymbols = [&](const std::string& text) {
        std::vector<uint32_t> ids;
        for (const std::string& token : SplitWords(text))
            ids.push_back(symbols_.Intern(SymbolTable::Word, token, false));
        return ids;
    };
    for (const GrammarNameEntry& w : grammar.words)
        wordSymbols_.emplace(w.id, toSymbols(w.name));
    for (const GrammarNameEntry& l : grammar.lists) {
        listNames_.emplace(l.id, l.name);
        if (!options.lists)
            continue;
        auto given = options.lists->find(l.name);
        if (given == options.lists->end() || listEntrySymbols_.count(l.name))
            continue;
        std::vector<std::vector<uint32_t>>& entries = listEntrySymbols_[l.name];
        for (const std::string& entry : given->second) {
            std::vector<uint32_t> ids = toSymbols(entry);
            if (!ids.empty()) // an empty entry is no entry: nothing can be said for it
                entries.push_back(std::move(ids));
        }
    }
    for (const GrammarNameEntry& r : grammar.importedRules)
        importNames_.emplace(r.id, r.name);
    for (size_t i = 0; i < grammar.rules.size(); ++i)
        ruleIndex_.emplace(grammar.rules[i].id, i);
}

bool WordGraphBuilder::HasList(const std::string& name) const
{
    for (const GrammarNameEntry& l : grammar_.lists)
        if (l.name == name)
            return true;
    return false;
}

bool WordGraphBuilder::AddRule(WordGraph& graph, uint32_t ruleId, uint32_t acceptTag, uint32_t& start,
                               std::string& error)
{
    graph_ = &graph;
    failed_ = false;
    depth_ = 0;
    ruleStack_.clear();
    start = NewNode();
    const uint32_t accept = NewNode();
    graph.acceptOf[accept] = acceptTag;
    BuildRule(ruleId, start, accept);
    if (failed_)
        error = error_;
    return !failed_;
}

void WordGraphBuilder::Fail(const std::string& why)
{
    if (!failed_)
        error_ = why;
    failed_ = true;
}

uint32_t WordGraphBuilder::NewNode()
{
    if (graph_->NodeCount() >= options_.maxEdges)
        Fail(FormatGrammarMessage("its word graph grows beyond %zu nodes", options_.maxEdges));
    return graph_->AddNode();
}

void WordGraphBuilder::Edge(uint32_t from, uint32_t symbol, uint32_t to)
{
    if (graph_->edges.size() >= options_.maxEdges)
        Fail(FormatGrammarMessage("its word graph grows beyond %zu edges", options_.maxEdges));
    if (!failed_)
        graph_->AddEdge(from, symbol, to);
}

void WordGraphBuilder::BuildRule(uint32_t ruleId, uint32_t from, uint32_t to)
{
    auto rule = ruleIndex_.find(ruleId);
    // What the recogniser refuses accepts nothing here: no edge joins from and to.
    if (rule == ruleIndex_.end() || ruleStack_.size() >= MaxRuleDepth ||
        std::find(ruleStack_.begin(), ruleStack_.end(), ruleId) != ruleStack_.end())
        return;
    ruleStack_.push_back(ruleId);
    const Elements& body = grammar_.rules[rule->second].elements;
    // Several top-level items are a sequence; an end without a start is passed over.
    size_t at = 0;
    uint32_t current = from;
    while (at < body.size() && !failed_) {
        if (body[at].type == kOperationEnd) {
            ++at;
            continue;
        }
        const uint32_t next = NewNode();
        BuildItem(body, at, current, next);
        current = next;
    }
    Edge(current, WordGraph::Epsilon, to);
    ruleStack_.pop_back();
}

// The items up to the end of the current operation (which is read too), one after another.
void WordGraphBuilder::BuildOperands(const Elements& body, size_t& at, uint32_t from, uint32_t to)
{
    uint32_t current = from;
    while (at < body.size() && body[at].type != kOperationEnd && !failed_) {
        const uint32_t next = NewNode();
        BuildItem(body, at, current, next);
        current = next;
    }
    if (at < body.size())
        ++at;
    Edge(current, WordGraph::Epsilon, to);
}

void WordGraphBuilder::BuildItem(const Elements& body, size_t& at, uint32_t from, uint32_t to)
{
    const GrammarElement& e = body[at++];
    switch (e.type) {
    case kWordElement: {
        auto word = wordSymbols_.find(e.value);
        if (word != wordSymbols_.end())
            BuildSymbols(word->second, from, to);
        return;
    }
    case kListElement:
        BuildList(e.value, from, to);
        return;
    case kRuleElement: {
        auto import = importNames_.find(e.value);
        if (import != importNames_.end()) {
            BuildImport(import->second, from, to);
            return;
        }
        if (++depth_ > MaxBuildDepth)
            Fail(FormatGrammarMessage("its rules and operations are nested deeper than %zu", MaxBuildDepth));
        else
            BuildRule(e.value, from, to);
        --depth_;
        return;
    }
    case kOperationStart:
        if (++depth_ > MaxBuildDepth)
            Fail(FormatGrammarMessage("its rules and operations are nested deeper than %zu", MaxBuildDepth));
        else
            BuildOperation(body, at, e.value, from, to);
        --depth_;
        return;
    default: // an element the recogniser does not know accepts nothing
        return;
    }
}

void WordGraphBuilder::BuildOperation(const Elements& body, size_t& at, uint32_t code, uint32_t from, uint32_t to)
{
    switch (code) {
    case kSequence:
        BuildOperands(body, at, from, to);
        return;
    case kAlternatives:
        while (at < body.size() && body[at].type != kOperationEnd && !failed_)
            BuildItem(body, at, from, to);
        if (at < body.size())
            ++at;
        return;
    case kOptional:
        BuildOperands(body, at, from, to);
        Edge(from, WordGraph::Epsilon, to);
        return;
    case kRepetition:
        if (options_.unrollRepetition) {
            // One round, then optionally a second from where the first ended.
            const size_t operands = at;
            const uint32_t middle = NewNode();
            BuildOperands(body, at, from, middle);
            Edge(middle, WordGraph::Epsilon, to);
            size_t again = operands;
            BuildOperands(body, again, middle, to);
        } else {
            // Fresh nodes around the round keep its loop from joining the edges around it.
            const uint32_t roundStart = NewNode(), roundEnd = NewNode();
            Edge(from, WordGraph::Epsilon, roundStart);
            BuildOperands(body, at, roundStart, roundEnd);
            Edge(roundEnd, WordGraph::Epsilon, roundStart);
            Edge(roundEnd, WordGraph::Epsilon, to);
        }
        return;
    default: { // an unknown operation accepts nothing; its operands are read past
        const uint32_t a = NewNode(), b = NewNode();
        BuildOperands(body, at, a, b);
        return;
    }
    }
}

void WordGraphBuilder::BuildList(uint32_t listId, uint32_t from, uint32_t to)
{
    auto name = listNames_.find(listId);
    if (name == listNames_.end())
        return;
    auto entries = listEntrySymbols_.find(name->second);
    if (entries != listEntrySymbols_.end()) {
        for (const std::vector<uint32_t>& entry : entries->second)
            BuildSymbols(entry, from, to);
        return;
    }
    Edge(from, symbols_.Intern(SymbolTable::List, "{" + name->second + "}", options_.anyWords), to);
}

void WordGraphBuilder::BuildImport(const std::string& name, uint32_t from, uint32_t to)
{
    const std::string shown = "<" + name + ">";
    if (name == DictationRuleName && options_.anyWords) {
        // One word or more, each of them any word.
        const uint32_t any = symbols_.Intern(SymbolTable::Dictation, shown, true);
        const uint32_t inside = NewNode();
        Edge(from, any, inside);
        Edge(inside, any, inside);
        Edge(inside, WordGraph::Epsilon, to);
        return;
    }
    // Another recogniser's rule: what it accepts is not known here, so it is one symbol of
    // its own, which only the same imported rule matches.
    const SymbolTable::Kind kind = name == DictationRuleName ? SymbolTable::Dictation : SymbolTable::Import;
    Edge(from, symbols_.Intern(kind, shown, false), to);
}

void WordGraphBuilder::BuildSymbols(const std::vector<uint32_t>& symbols, uint32_t from, uint32_t to)
{
    if (symbols.empty()) {
        Edge(from, WordGraph::Epsilon, to);
        return;
    }
    uint32_t current = from;
    for (size_t i = 0; i + 1 < symbols.size(); ++i) {
        const uint32_t next = NewNode();
        Edge(current, symbols[i], next);
        current = next;
    }
    Edge(current, symbols.back(), to);
}

} // namespace qmsim
