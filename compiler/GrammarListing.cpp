#include "GrammarListing.h"

#include "EscapedText.h"

#ifdef QM_HAVE_BINARY_GRAMMAR_READER
#include "BinaryGrammar.h"

#include <map>
#include <string>

namespace {
using qmsim::BinaryGrammar;
using qmsim::GrammarNameEntry;

const char* ChunkTitle(uint32_t id)
{
    switch (id) {
    case qmsim::ChunkWords: return "words";
    case qmsim::ChunkRules: return "rule definitions";
    case qmsim::ChunkExports: return "exported rules";
    case qmsim::ChunkImports: return "imported rules";
    case qmsim::ChunkLists: return "lists";
    default: return "unknown";
    }
}

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
    for (const qmsim::GrammarRuleEntry& rule : g.rules) {
        std::fprintf(out, "    rule %u %s: %lu elements\n", rule.id,
                     NameOr(rules, rule.id, "(not exported)").c_str(), static_cast<unsigned long>(rule.elements.size()));
        int depth = 0;
        for (const qmsim::GrammarElement& e : rule.elements) {
            if (e.type == qmsim::ElementEnd && depth > 0)
                --depth;
            std::string indent(static_cast<std::size_t>(6 + 2 * depth), ' ');
            std::string what;
            switch (e.type) {
            case qmsim::ElementStart: what = std::string("start ") + qmsim::OperationName(e.value); break;
            case qmsim::ElementEnd: what = std::string("end ") + qmsim::OperationName(e.value); break;
            case qmsim::ElementWord: what = "word " + NameOr(words, e.value, "(undefined)"); break;
            case qmsim::ElementRule: what = "rule " + NameOr(rules, e.value, "(not exported or imported)"); break;
            case qmsim::ElementList: what = "list " + NameOr(lists, e.value, "(undefined)"); break;
            default: what = "unknown element type"; break;
            }
            std::fprintf(out, "%s%u %u  %s", indent.c_str(), unsigned(e.type), e.value, what.c_str());
            if (e.probability != 0)
                std::fprintf(out, " (probability %u)", unsigned(e.probability));
            std::fputc('\n', out);
            if (e.type == qmsim::ElementStart)
                ++depth;
        }
    }
}
} // namespace

int ListBinaryGrammar(const std::vector<unsigned char>& bytes, std::FILE* out)
{
    BinaryGrammar g;
    std::string error;
    bool readable = qmsim::ReadBinaryGrammar(bytes.data(), bytes.size(), g, error);
    std::fprintf(out, "%lu bytes\nheader: type %u, flags %u\n", static_cast<unsigned long>(bytes.size()), g.type, g.flags);
    for (const qmsim::GrammarChunk& chunk : g.chunks) {
        std::fprintf(out, "chunk %u (%s) at byte %u, %u bytes of data\n", chunk.id, ChunkTitle(chunk.id),
                     chunk.offset, chunk.size);
        switch (chunk.id) {
        case qmsim::ChunkExports: ListNames(out, "rule", g.exportedRules); break;
        case qmsim::ChunkImports: ListNames(out, "rule", g.importedRules); break;
        case qmsim::ChunkLists: ListNames(out, "list", g.lists); break;
        case qmsim::ChunkWords: ListNames(out, "word", g.words); break;
        case qmsim::ChunkRules: ListRules(out, g); break;
        default: break;
        }
    }
    if (!readable) {
        std::fprintf(out, "malformed: %s\n", error.c_str());
        return 1;
    }
    if (!qmsim::ValidateBinaryGrammar(g, error)) {
        std::fprintf(out, "not loadable: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(out, "well-formed\n");
    return 0;
}

#else

int ListBinaryGrammar(const std::vector<unsigned char>&, std::FILE*)
{
    std::fprintf(stderr, "qm-gramc: --decode is not available: this build has no binary grammar reader\n");
    return 2;
}

#endif
