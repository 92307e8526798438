#include "LoadedGrammar.h"

#include "TextConversion.h"

#include <algorithm>
#include <map>
#include <set>

namespace qmsim {

namespace {

struct TreeBuilder {
    const std::vector<GrammarElement>& elements;
    const std::map<uint32_t, size_t>& wordIndex;
    const std::map<uint32_t, size_t>& listIndex;
    const std::map<uint32_t, size_t>& ruleIndex;
    const std::set<uint32_t>& dictationIds;
    size_t at = 0;

    // Reads operands up to the matching end element (or the end of the body).
    // Validation has balanced the operations and bounded their depth.
    std::vector<MatchNode> Operands()
    {
        std::vector<MatchNode> operands;
        while (at < elements.size() && elements[at].type != kOperationEnd)
            operands.push_back(Item());
        if (at < elements.size())
            ++at; // the end element
        return operands;
    }

    static MatchNode AsOne(std::vector<MatchNode> operands)
    {
        if (operands.size() == 1)
            return std::move(operands[0]);
        MatchNode sequence;
        sequence.kind = MatchNode::Sequence;
        sequence.children = std::move(operands);
        return sequence;
    }

    MatchNode Item()
    {
        const GrammarElement& e = elements[at++];
        MatchNode node;
        switch (e.type) {
        case kWordElement:
            node.kind = MatchNode::Word;
            node.index = wordIndex.at(e.value);
            return node;
        case kListElement:
            node.kind = MatchNode::List;
            node.index = listIndex.at(e.value);
            return node;
        case kRuleElement:
            if (dictationIds.count(e.value)) {
                node.kind = MatchNode::Dictation;
            } else {
                node.kind = MatchNode::Rule;
                node.index = ruleIndex.at(e.value);
            }
            return node;
        default: // kOperationStart
            break;
        }
        std::vector<MatchNode> operands = Operands();
        switch (e.value) {
        case kAlternatives:
            node.kind = MatchNode::Alternatives;
            node.children = std::move(operands);
            return node;
        case kRepetition:
        case kOptional:
            // Several operands of a repetition or an optional part count as one sequence.
            node.kind = e.value == kRepetition ? MatchNode::Repetition : MatchNode::Optional;
            node.children.push_back(AsOne(std::move(operands)));
            return node;
        default:
            node.kind = MatchNode::Sequence;
            node.children = std::move(operands);
            return node;
        }
    }
};

} // namespace

LoadedGrammar LoadedGrammar::FromBinary(const BinaryGrammar& g, uint32_t handle)
{
    LoadedGrammar loaded;
    loaded.handle = handle;
    std::map<uint32_t, size_t> wordIndex, listIndex, ruleIndex;
    for (const GrammarNameEntry& e : g.words) {
        wordIndex[e.id] = loaded.words.size();
        GrammarWord word;
        word.id = e.id;
        word.text = Cp1252ToUtf8(e.name);
        word.tokens = SplitWords(word.text);
        loaded.words.push_back(std::move(word));
    }
    for (const GrammarNameEntry& e : g.lists) {
        listIndex[e.id] = loaded.lists.size();
        GrammarList list;
        list.id = e.id;
        list.name = Cp1252ToUtf8(e.name);
        loaded.lists.push_back(std::move(list));
    }
    std::set<uint32_t> dictationIds;
    for (const GrammarNameEntry& e : g.importedRules)
        if (e.name == DictationRuleName)
            dictationIds.insert(e.id);
    std::map<uint32_t, std::string> exportedNames;
    for (const GrammarNameEntry& e : g.exportedRules)
        exportedNames[e.id] = Cp1252ToUtf8(e.name);
    for (size_t i = 0; i < g.rules.size(); ++i)
        ruleIndex[g.rules[i].id] = i;

    for (const GrammarRuleEntry& r : g.rules) {
        GrammarRule rule;
        rule.id = r.id;
        auto name = exportedNames.find(r.id);
        if (name != exportedNames.end()) {
            rule.exported = true;
            rule.name = name->second;
        }
        TreeBuilder builder{r.elements, wordIndex, listIndex, ruleIndex, dictationIds};
        rule.body = TreeBuilder::AsOne(builder.Operands()); // a body of several items is a sequence
        loaded.rules.push_back(std::move(rule));
    }
    return loaded;
}

void GrammarList::Add(ListValue value)
{
    values.push_back(std::move(value));
    // A value of more words is tried before a shorter one it begins with ("On and Off"
    // before "On"), so that what was said in full is what gets reported.
    const size_t added = values.size() - 1;
    const size_t length = values[added].tokens.size();
    auto at = std::find_if(trialOrder.begin(), trialOrder.end(),
                           [&](size_t i) { return values[i].tokens.size() < length; });
    trialOrder.insert(at, added);
}

void GrammarList::Clear()
{
    values.clear();
    trialOrder.clear();
}

GrammarRule* LoadedGrammar::FindExportedRule(const std::string& name)
{
    for (GrammarRule& rule : rules)
        if (rule.exported && rule.name == name)
            return &rule;
    return nullptr;
}

GrammarList* LoadedGrammar::FindList(const std::string& name)
{
    for (GrammarList& list : lists)
        if (list.name == name)
            return &list;
    return nullptr;
}

} // namespace qmsim
