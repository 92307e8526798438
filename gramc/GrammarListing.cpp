#include "GrammarListing.h"

#include "BinaryGrammarReader.h"
#include "EscapedText.h"

#include <map>
#include <string>

namespace {
using NameIndex = std::map<uint32_t, std::string>;

NameIndex IndexOf(const std::vector<GrammarNameEntry>& entries)
{
    NameIndex index;
    for (const GrammarNameEntry& entry : entries)
        index.emplace(entry.id, entry.name);
    return index;
}

std::string Quoted(const std::string& name)
{
    return "\"" + EscapeControlBytes(name) + "\"";
}

std::string NameOr(const NameIndex& index, uint32_t id, const char* missing)
{
    auto found = index.find(id);
    return found == index.end() ? missing : Quoted(found->second);
}

void ListNames(std::FILE* out, const char* what, const std::vector<GrammarNameEntry>& entries)
{
    for (const GrammarNameEntry& entry : entries)
        std::fprintf(out, "    %s %u %s\n", what, entry.id, Quoted(entry.name).c_str());
}

void ListRules(std::FILE* out, const BinaryGrammar& g)
{
    NameIndex words = IndexOf(g.words), lists = IndexOf(g.lists);
    NameIndex rules = IndexOf(g.exportedRules);
    for (const GrammarNameEntry& imported : g.importedRules)
        rules.emplace(imported.id, imported.name);
    for (const GrammarRuleEntry& rule : g.rules) {
        std::fprintf(out, "    rule %u %s: %lu elements\n", rule.id,
                     NameOr(rules, rule.id, "(not exported)").c_str(), static_cast<unsigned long>(rule.elements.size()));
        int depth = 0;
        for (const GrammarElement& e : rule.elements) {
            if (e.type == kOperationEnd && depth > 0)
                --depth;
            std::string indent(static_cast<std::size_t>(6 + 2 * depth), ' ');
            std::string what;
            switch (e.type) {
            case kOperationStart: what = std::string("start ") + OperationName(e.value); break;
            case kOperationEnd: what = std::string("end ") + OperationName(e.value); break;
            case kWordElement: what = "word " + NameOr(words, e.value, "(undefined)"); break;
            case kRuleElement: what = "rule " + NameOr(rules, e.value, "(not exported or imported)"); break;
            case kListElement: what = "list " + NameOr(lists, e.value, "(undefined)"); break;
            default: what = "unknown element type"; break;
            }
            std::fprintf(out, "%s%u %u  %s", indent.c_str(), unsigned(e.type), e.value, what.c_str());
            if (e.probability != 0)
                std::fprintf(out, " (probability %u)", unsigned(e.probability));
            std::fputc('\n', out);
            if (e.type == kOperationStart)
                ++depth;
        }
    }
}
} // namespace

int ListBinaryGrammar(const std::vector<unsigned char>& bytes, std::FILE* out)
{
    BinaryGrammar g;
    std::string error;
    bool readable = ReadBinaryGrammar(bytes.data(), bytes.size(), g, error);
    std::fprintf(out, "%lu bytes\nheader: type %u, flags %u\n", static_cast<unsigned long>(bytes.size()), g.type, g.flags);
    for (const GrammarChunk& chunk : g.chunks) {
        std::fprintf(out, "chunk %u (%s) at byte %u, %u bytes of data\n", chunk.id, ChunkName(chunk.id),
                     chunk.offset, chunk.size);
        switch (chunk.id) {
        case kExportedRulesChunk: ListNames(out, "rule", g.exportedRules); break;
        case kImportedRulesChunk: ListNames(out, "rule", g.importedRules); break;
        case kListsChunk: ListNames(out, "list", g.lists); break;
        case kWordsChunk: ListNames(out, "word", g.words); break;
        case kRulesChunk: ListRules(out, g); break;
        default: break;
        }
    }
    if (!readable) {
        std::fprintf(out, "malformed: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(out, "well-formed\n");
    return 0;
}
