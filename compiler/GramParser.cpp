#include "GramParser.h"

#include "CompilerMessages.h"

#include <algorithm>

int32_t FindName(const std::vector<NameEntry>& table, const std::string& name)
{
    for (const NameEntry& entry : table) {
        if (entry.name == name)
            return entry.id;
    }
    return 0;
}

namespace {

// A table this short is walked, which costs less than hashing the name (a test command
// has three names); only a longer one is found through its index.
constexpr std::size_t kWalkedTableSize = 8;

// clear() keeps the bucket array and zeroes all of it, so every small compilation after
// a larger grammar would pay for the larger one's buckets.
void ClearIndex(NameIds& ids)
{
    if (ids.bucket_count() > 64)
        ids = NameIds();
    else
        ids.clear();
}

struct CompilingScope {
    explicit CompilingScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CompilingScope() { m_flag = false; }
    bool& m_flag;
};

} // namespace

// The ID of name in table, or 0.
int32_t GramParser::Find(const std::vector<NameEntry>& table, const NameIds& ids, const std::string& name)
{
    if (table.size() <= kWalkedTableSize)
        return FindName(table, name);
    auto found = ids.find(name);
    return found == ids.end() ? 0 : found->second;
}

// Adds name to table unless it is there; returns its ID. The index holds the table's
// first ids.size() entries: all of them once the table is longer than a walk.
int32_t GramParser::Intern(std::vector<NameEntry>& table, NameIds& ids, int32_t& nextId, const std::string& name)
{
    if (int32_t id = Find(table, ids, name))
        return id;
    table.push_back({ name, nextId++ });
    if (table.size() > kWalkedTableSize) {
        for (std::size_t i = ids.size(); i < table.size(); ++i)
            ids.emplace(table[i].name, table[i].id);
    }
    return table.back().id;
}

// The ID of a rule in knownRules, or 0.
int32_t GramParser::RuleId(const std::string& name) const
{
    return Find(knownRules, m_ruleIds, name);
}

bool GramParser::Compile(std::string text, bool dump)
{
    if (m_compiling)
        return false;
    CompilingScope scope(m_compiling);
    Reset();
    try {
        GetLines(text);
        if (!ParseRules()) {
            Log("ParseRules() failed. Compile terminated.");
            return false;
        }
    } catch (...) {
        // The body parser has already shown its box.
        return false;
    }
    try {
        if (dump)
            Dump();
        Pack(dump);
    } catch (...) {
        // Out of memory while listing or packing: no half-written grammar may be
        // handed to the recogniser, and nothing may escape into the caller's COM call.
        packed.clear();
        return false;
    }
    return true;
}

// Lines end at line feeds, a final one adding no empty line, and at their first NUL byte.
void GramParser::GetLines(const std::string& text)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line(text.data() + start, end - start);
        lines.emplace_back(line.substr(0, line.find('\0')));
        start = end + 1;
    }
}

void GramParser::Reset()
{
    packed.clear();
    rest = {};
    lines.clear();
    tokenText.clear();
    // A body that starts with a character beginning no token is parsed with the kind
    // left current; without this it would be the last kind of an earlier compilation.
    tokenKind = TokenKind::None;
    exportRules.clear();
    knownRules.clear();
    importRules.clear();
    knownWords.clear();
    knownLists.clear();
    ruleDefines.clear();
    ClearIndex(m_ruleIds);
    ClearIndex(m_wordIds);
    ClearIndex(m_listIds);
    m_ruleHeads.clear();
    currentRuleId = 0;
    nextRuleId = 1;
    nextWordId = 1;
    nextListId = 1;
    groupDepth = 0;
}

void GramParser::Log(const char* text)
{
    WriteCompilerLog(logWindow, text);
}
