#include "BinaryGrammar.h"

#include <algorithm>
#include <map>
#include <set>

namespace qmsim {

const char* const DictationRuleName = "dgndictation";

namespace {

// Refusals are formatted like the reader's.
std::string (*const Format)(const char* format, ...) = FormatGrammarMessage;

// Names inside messages are shortened so that one message stays one readable line.
std::string Quoted(const std::string& name)
{
    const size_t limit = 64;
    if (name.size() <= limit)
        return "\"" + name + "\"";
    return "\"" + name.substr(0, limit) + "...\"";
}

struct NameTable {
    const char* what;               // "word", "list", ...
    const std::vector<GrammarNameEntry>* entries;
    bool uniqueNames;
};

bool CheckNameTable(const NameTable& table, std::string& error)
{
    std::set<uint32_t> ids;
    std::set<std::string> names;
    for (const GrammarNameEntry& e : *table.entries) {
        if (e.id == 0) {
            error = Format("%s %s has ID 0, which is not allowed", table.what, Quoted(e.name).c_str());
            return false;
        }
        if (!ids.insert(e.id).second) {
            error = Format("%s ID %u is given twice (second time to %s)", table.what, e.id, Quoted(e.name).c_str());
            return false;
        }
        if (e.name.find_first_not_of(' ') == std::string::npos) {
            error = Format("%s ID %u has an empty name", table.what, e.id);
            return false;
        }
        if (table.uniqueNames && !names.insert(e.name).second) {
            error = Format("%s name %s is given twice", table.what, Quoted(e.name).c_str());
            return false;
        }
    }
    return true;
}

// Structure of one rule body: codes, balance, defined references, nesting depth.
bool CheckRuleBody(const GrammarRuleEntry& rule, const std::set<uint32_t>& wordIds,
                   const std::set<uint32_t>& listIds, const std::set<uint32_t>& ruleIds,
                   const std::set<uint32_t>& importIds, std::string& error)
{
    if (rule.elements.empty()) {
        error = Format("rule %u has an empty definition", rule.id);
        return false;
    }
    struct Open { uint32_t code; size_t index; size_t operands; };
    std::vector<Open> open;
    auto countOperand = [&open] { if (!open.empty()) ++open.back().operands; };
    for (size_t i = 0; i < rule.elements.size(); ++i) {
        const GrammarElement& e = rule.elements[i];
        const size_t n = i + 1; // elements are counted from 1 in messages
        switch (e.type) {
        case kOperationStart:
            if (e.value < kSequence || e.value > kOptional) {
                error = Format("rule %u, element %zu: operation code %u is not known", rule.id, n, e.value);
                return false;
            }
            if (open.size() >= MaxOperationDepth) {
                error = Format("rule %u, element %zu: operations are nested deeper than %zu", rule.id, n, MaxOperationDepth);
                return false;
            }
            countOperand();
            open.push_back({e.value, n, 0});
            break;
        case kOperationEnd:
            if (e.value < kSequence || e.value > kOptional) {
                error = Format("rule %u, element %zu: operation code %u is not known", rule.id, n, e.value);
                return false;
            }
            if (open.empty()) {
                error = Format("rule %u, element %zu: end of %s without a start", rule.id, n, OperationName(e.value));
                return false;
            }
            if (open.back().code != e.value) {
                error = Format("rule %u, element %zu: end of %s does not match the %s started at element %zu",
                               rule.id, n, OperationName(e.value), OperationName(open.back().code), open.back().index);
                return false;
            }
            if (open.back().operands == 0) {
                error = Format("rule %u, element %zu: the %s started at element %zu has no operand",
                               rule.id, n, OperationName(e.value), open.back().index);
                return false;
            }
            open.pop_back();
            break;
        case kWordElement:
            if (!wordIds.count(e.value)) {
                error = Format("rule %u, element %zu: word ID %u is not defined in the words chunk", rule.id, n, e.value);
                return false;
            }
            countOperand();
            break;
        case kListElement:
            if (!listIds.count(e.value)) {
                error = Format("rule %u, element %zu: list ID %u is not defined in the lists chunk", rule.id, n, e.value);
                return false;
            }
            countOperand();
            break;
        case kRuleElement:
            if (!ruleIds.count(e.value) && !importIds.count(e.value)) {
                error = Format("rule %u, element %zu: rule ID %u is neither defined nor imported", rule.id, n, e.value);
                return false;
            }
            countOperand();
            break;
        default:
            error = Format("rule %u, element %zu: element type %u is not known", rule.id, n, unsigned(e.type));
            return false;
        }
    }
    if (!open.empty()) {
        error = Format("rule %u: the %s started at element %zu is not closed",
                       rule.id, OperationName(open.back().code), open.back().index);
        return false;
    }
    return true;
}

// Rule references must form no cycle, and chains must stay short enough for the
// matcher's recursion. Iterative depth-first walk, so a long chain cannot overflow here.
bool CheckRuleReferences(const std::vector<GrammarRuleEntry>& rules, std::string& error)
{
    std::map<uint32_t, size_t> indexOf;
    for (size_t i = 0; i < rules.size(); ++i)
        indexOf[rules[i].id] = i;
    std::vector<std::vector<size_t>> refs(rules.size());
    for (size_t i = 0; i < rules.size(); ++i)
        for (const GrammarElement& e : rules[i].elements)
            if (e.type == kRuleElement) {
                auto it = indexOf.find(e.value);
                if (it != indexOf.end())
                    refs[i].push_back(it->second); // imported rules have no body to follow
            }

    enum State : unsigned char { Unvisited, OnPath, Done };
    std::vector<State> state(rules.size(), Unvisited);
    std::vector<size_t> height(rules.size(), 1); // rules in the longest chain starting here
    for (size_t root = 0; root < rules.size(); ++root) {
        if (state[root] != Unvisited)
            continue;
        std::vector<std::pair<size_t, size_t>> path; // rule index, next reference to follow
        path.push_back({root, 0});
        state[root] = OnPath;
        while (!path.empty()) {
            size_t r = path.back().first;
            size_t& next = path.back().second;
            if (next < refs[r].size()) {
                size_t target = refs[r][next++];
                if (state[target] == OnPath) {
                    if (target == r)
                        error = Format("rule %u refers to itself", rules[r].id);
                    else
                        error = Format("rule %u refers to itself through rule %u", rules[target].id, rules[r].id);
                    return false;
                }
                if (state[target] == Unvisited) {
                    state[target] = OnPath;
                    path.push_back({target, 0});
                }
                continue;
            }
            for (size_t target : refs[r])
                height[r] = std::max(height[r], height[target] + 1);
            if (height[r] > MaxRuleDepth) {
                error = Format("rule %u starts a chain of rule references deeper than %zu", rules[r].id, MaxRuleDepth);
                return false;
            }
            state[r] = Done;
            path.pop_back();
        }
    }
    return true;
}

} // namespace

bool ValidateBinaryGrammar(const BinaryGrammar& g, std::string& error)
{
    error.clear();
    const NameTable tables[] = {
        {"word", &g.words, false},
        {"list", &g.lists, true},
        {"exported rule", &g.exportedRules, true},
        {"imported rule", &g.importedRules, true},
    };
    for (const NameTable& t : tables)
        if (!CheckNameTable(t, error))
            return false;

    std::set<uint32_t> ruleIds;
    for (const GrammarRuleEntry& r : g.rules) {
        if (r.id == 0) {
            error = "a rule definition has rule ID 0, which is not allowed";
            return false;
        }
        if (!ruleIds.insert(r.id).second) {
            error = Format("rule %u is defined twice", r.id);
            return false;
        }
    }
    if (g.rules.empty()) {
        error = "the grammar defines no rule";
        return false;
    }

    std::set<uint32_t> importIds;
    for (const GrammarNameEntry& e : g.importedRules) {
        if (e.name != DictationRuleName) {
            error = Format("imported rule %s is not provided by this recogniser (only %s is)",
                           Quoted(e.name).c_str(), Quoted(DictationRuleName).c_str());
            return false;
        }
        if (ruleIds.count(e.id)) {
            error = Format("rule %u is both imported (as %s) and defined", e.id, Quoted(e.name).c_str());
            return false;
        }
        importIds.insert(e.id);
    }
    for (const GrammarNameEntry& e : g.exportedRules)
        if (!ruleIds.count(e.id)) {
            error = Format("exported rule %s (ID %u) has no definition", Quoted(e.name).c_str(), e.id);
            return false;
        }

    std::set<uint32_t> wordIds, listIds;
    for (const GrammarNameEntry& e : g.words)
        wordIds.insert(e.id);
    for (const GrammarNameEntry& e : g.lists)
        listIds.insert(e.id);
    for (const GrammarRuleEntry& r : g.rules)
        if (!CheckRuleBody(r, wordIds, listIds, ruleIds, importIds, error))
            return false;
    return CheckRuleReferences(g.rules, error);
}

} // namespace qmsim
