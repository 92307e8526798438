// Arbitrary bytes as a binary grammar: read, validate, load, fill lists, activate and
// recognise a few phrases made from the grammar's own words; and analyse what was read, valid
// or not (qm-gramc --phrases and --conflicts). Must never crash or hang.
#include "BinaryGrammar.h"
#include "PhraseListing.h"
#include "RuleConflicts.h"
#include "Recogniser.h"
#include "TextConversion.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Record(const std::u16string& text)
{
    std::vector<unsigned char> b;
    uint32_t size = static_cast<uint32_t>(8 + 2 * (text.size() + 1));
    size = (size + 3) & ~3u;
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(size >> (8 * i)));
    b.resize(8, 0);
    for (char16_t c : text) {
        b.push_back(static_cast<unsigned char>(c));
        b.push_back(static_cast<unsigned char>(c >> 8));
    }
    b.resize(size, 0);
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qmsim::BinaryGrammar g;
    std::string error;
    bool read = qmsim::ReadBinaryGrammar(data, size, g, error);
    if (read) {
        qmsim::ValidateBinaryGrammar(g, error);
        qmsim::ListEntries entries;
        if (!g.lists.empty())
            entries[g.lists[0].name] = {"On", "On and Off", ""};
        qmsim::ListPhrases(g, entries, 5, [](const qmsim::RulePhrases&) {}, error);
        qmsim::ConflictReport report;
        qmsim::FindConflicts({&g, &g}, {}, report, error);
    }

    qmsim::Recogniser engine;
    uint32_t handle = 0;
    if (engine.Load(data, size, handle, error) != qmsim::EngineStatus::Ok)
        return 0;

    std::vector<unsigned char> block;
    for (const char16_t* value : {u"On", u"Off", u"On and Off", u"a"}) {
        std::vector<unsigned char> r = Record(value);
        block.insert(block.end(), r.begin(), r.end());
    }
    for (const qmsim::GrammarNameEntry& list : g.lists) {
        const std::string name = qmsim::Cp1252ToUtf8(list.name);
        engine.ListSet(handle, name, block.data(), block.size(), error);
        engine.ListAppend(handle, name, data, size, error); // the input as word records
    }
    engine.Activate(handle, nullptr, 0, error);
    if (!g.exportedRules.empty()) {
        const std::string first = qmsim::Cp1252ToUtf8(g.exportedRules[0].name);
        engine.Activate(handle, &first, 0x10, error);
    }

    std::vector<std::string> phrase;
    for (size_t i = 0; i < g.words.size() && i < 8; ++i)
        phrase.push_back(qmsim::Cp1252ToUtf8(g.words[i].name));
    engine.Recognise(phrase, 0);
    engine.Recognise(phrase, 0x10);
    engine.Recognise("on and off a a a a a a a a", 0x10);
    if (phrase.size() > 1) {
        phrase.insert(phrase.begin() + 1, "free");
        engine.Recognise(phrase, 0);
    }
    engine.Deactivate(handle, nullptr, error);
    engine.Unload(handle);
    return 0;
}
