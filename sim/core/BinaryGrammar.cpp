#include "BinaryGrammar.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace qmsim {

const char* const DictationRuleName = "dgndictation";

namespace {

std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args); // cut, never overrun
    va_end(args);
    return buffer;
}

// Names inside messages are shortened so that one message stays one readable line.
std::string Quoted(const std::string& name)
{
    const size_t limit = 64;
    if (name.size() <= limit)
        return "\"" + name + "\"";
    return "\"" + name.substr(0, limit) + "...\"";
}

uint32_t ReadU32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(const unsigned char* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

const char* ChunkName(uint32_t id)
{
    switch (id) {
    case ChunkWords: return "words";
    case ChunkRules: return "rule definitions";
    case ChunkExports: return "exported rules";
    case ChunkImports: return "imported rules";
    case ChunkLists: return "lists";
    default: return "unknown";
    }
}

// One entry's frame: checks size and bounds; returns false with error set.
bool ReadEntryHeader(const unsigned char* base, size_t at, size_t end, uint32_t chunkId,
                     uint32_t& entrySize, std::string& error)
{
    if (end - at < 8) {
        error = Format("chunk %u, entry at byte %zu: 8 bytes needed for the entry header, %zu left in the chunk",
                       chunkId, at, end - at);
        return false;
    }
    entrySize = ReadU32(base + at);
    if (entrySize < 8) {
        error = Format("chunk %u, entry at byte %zu: entry size %u is less than 8", chunkId, at, entrySize);
        return false;
    }
    if (entrySize % 4 != 0) {
        error = Format("chunk %u, entry at byte %zu: entry size %u is not a multiple of 4", chunkId, at, entrySize);
        return false;
    }
    if (entrySize > end - at) {
        error = Format("chunk %u, entry at byte %zu: entry size %u runs past the end of the chunk (%zu bytes left)",
                       chunkId, at, entrySize, end - at);
        return false;
    }
    return true;
}

bool ReadNameChunk(const unsigned char* base, size_t begin, size_t end, uint32_t chunkId,
                   std::vector<GrammarNameEntry>& entries, std::string& error)
{
    size_t at = begin;
    while (at < end) {
        uint32_t entrySize = 0;
        if (!ReadEntryHeader(base, at, end, chunkId, entrySize, error))
            return false;
        const uint32_t id = ReadU32(base + at + 4);
        const char* name = reinterpret_cast<const char*>(base + at + 8);
        const size_t room = entrySize - 8;
        const void* nul = std::memchr(name, 0, room);
        if (!nul) {
            error = Format("chunk %u, entry at byte %zu: the name of ID %u is not NUL-terminated within its entry",
                           chunkId, at, id);
            return false;
        }
        entries.push_back({id, std::string(name, static_cast<const char*>(nul))});
        at += entrySize;
    }
    return true;
}

bool ReadRuleChunk(const unsigned char* base, size_t begin, size_t end,
                   std::vector<GrammarRuleEntry>& rules, std::string& error)
{
    size_t at = begin;
    while (at < end) {
        uint32_t entrySize = 0;
        if (!ReadEntryHeader(base, at, end, ChunkRules, entrySize, error))
            return false;
        const uint32_t id = ReadU32(base + at + 4);
        if ((entrySize - 8) % 8 != 0) {
            error = Format("chunk 3, entry at byte %zu: entry size %u of rule %u does not hold whole 8-byte elements",
                           at, entrySize, id);
            return false;
        }
        GrammarRuleEntry rule{id, {}};
        rule.elements.reserve((entrySize - 8) / 8);
        for (size_t e = at + 8; e < at + entrySize; e += 8)
            rule.elements.push_back({ReadU16(base + e), ReadU16(base + e + 2), ReadU32(base + e + 4)});
        rules.push_back(std::move(rule));
        at += entrySize;
    }
    return true;
}

} // namespace

const char* OperationName(uint32_t code)
{
    switch (code) {
    case OperationSequence: return "sequence";
    case OperationAlternatives: return "alternatives";
    case OperationRepetition: return "repetition";
    case OperationOptional: return "optional";
    default: return "unknown";
    }
}

bool ReadBinaryGrammar(const void* data, size_t size, BinaryGrammar& out, std::string& error)
{
    out = BinaryGrammar();
    error.clear();
    if (!data && size != 0) {
        error = "grammar data at byte 0: the data pointer is null";
        return false;
    }
    const unsigned char* base = static_cast<const unsigned char*>(data);
    if (size < 8) {
        error = Format("header at byte 0: 8 bytes needed, %zu present", size);
        return false;
    }
    out.type = ReadU32(base);
    out.flags = ReadU32(base + 4);
    if (out.type != 0) {
        error = Format("header at byte 0: grammar type %u is not 0 (context-free grammar)", out.type);
        return false;
    }
    if (out.flags != 0) {
        error = Format("header at byte 4: flags 0x%X are not supported (only 0, single-byte names)", out.flags);
        return false;
    }

    std::set<uint32_t> seen;
    size_t at = 8;
    while (at < size) {
        if (size - at < 8) {
            error = Format("chunk header at byte %zu: 8 bytes needed, %zu left", at, size - at);
            return false;
        }
        const uint32_t id = ReadU32(base + at);
        const uint32_t chunkSize = ReadU32(base + at + 4);
        if (id < ChunkWords || id > ChunkLists) {
            error = Format("chunk at byte %zu: chunk ID %u is not known (2 to 6 expected)", at, id);
            return false;
        }
        if (!seen.insert(id).second) {
            error = Format("chunk at byte %zu: chunk ID %u (%s) appears a second time", at, id, ChunkName(id));
            return false;
        }
        if (chunkSize > size - at - 8) {
            error = Format("chunk %u at byte %zu: size %u runs past the end of the data (%zu bytes left)",
                           id, at, chunkSize, size - at - 8);
            return false;
        }
        out.chunks.push_back({id, uint32_t(at), chunkSize});
        const size_t begin = at + 8, end = begin + chunkSize;
        bool ok = true;
        switch (id) {
        case ChunkWords: ok = ReadNameChunk(base, begin, end, id, out.words, error); break;
        case ChunkExports: ok = ReadNameChunk(base, begin, end, id, out.exportedRules, error); break;
        case ChunkImports: ok = ReadNameChunk(base, begin, end, id, out.importedRules, error); break;
        case ChunkLists: ok = ReadNameChunk(base, begin, end, id, out.lists, error); break;
        case ChunkRules: ok = ReadRuleChunk(base, begin, end, out.rules, error); break;
        }
        if (!ok)
            return false;
        at = end;
    }
    return true;
}

namespace {

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
        case ElementStart:
            if (e.value < OperationSequence || e.value > OperationOptional) {
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
        case ElementEnd:
            if (e.value < OperationSequence || e.value > OperationOptional) {
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
        case ElementWord:
            if (!wordIds.count(e.value)) {
                error = Format("rule %u, element %zu: word ID %u is not defined in the words chunk", rule.id, n, e.value);
                return false;
            }
            countOperand();
            break;
        case ElementList:
            if (!listIds.count(e.value)) {
                error = Format("rule %u, element %zu: list ID %u is not defined in the lists chunk", rule.id, n, e.value);
                return false;
            }
            countOperand();
            break;
        case ElementRule:
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
            if (e.type == ElementRule) {
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
