// The analyses of compiled grammars: the phrases each exported rule accepts (qm-gramc
// --phrases) and the rules that accept a common phrase (qm-gramc --conflicts).
#include "GramParser.h"
#include "PhraseListing.h"
#include "RuleConflicts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

BinaryGrammar Compiled(const std::string& text)
{
    GramParser parser;
    EXPECT_TRUE(parser.Compile(text, false)) << text;
    BinaryGrammar grammar;
    std::string error;
    EXPECT_TRUE(ReadBinaryGrammar(parser.packed.data(), parser.packed.size(), grammar, error)) << error;
    return grammar;
}

// "<rule>: phrase | phrase ..." per rule, then "+N of T" or "+more" when there are more.
std::string Phrases(const std::string& text, const qmsim::ListEntries& lists, size_t max)
{
    std::string out, error;
    auto describe = [&out](const qmsim::RulePhrases& rule) {
        out += (out.empty() ? "<" : "\n<") + rule.rule + ">:";
        for (size_t i = 0; i < rule.phrases.size(); ++i)
            out += (i ? " | " : " ") + rule.phrases[i];
        if (rule.more)
            out += rule.counted ? " +" + std::to_string(rule.total - rule.phrases.size()) + " of " +
                                      std::to_string(rule.total)
                                : " +more";
    };
    EXPECT_TRUE(qmsim::ListPhrases(Compiled(text), lists, max, describe, error)) << error;
    return out;
}

// "a/b: phrase" per conflict and "unreachable: r" per rule without phrases, "; " between.
std::string Conflicts(const std::vector<std::string>& texts, const qmsim::ListEntries& lists)
{
    std::vector<BinaryGrammar> grammars;
    for (const std::string& text : texts)
        grammars.push_back(Compiled(text));
    std::vector<const BinaryGrammar*> compared;
    for (const BinaryGrammar& g : grammars)
        compared.push_back(&g);
    qmsim::ConflictReport report;
    std::string error, out;
    EXPECT_TRUE(qmsim::FindConflicts(compared, lists, report, error)) << error;
    for (const qmsim::RuleConflict& c : report.conflicts)
        out += (out.empty() ? "" : "; ") + report.rules[c.first].name + "/" + report.rules[c.second].name + ": " +
               c.phrase;
    for (size_t r : report.unreachable)
        out += (out.empty() ? "unreachable: " : "; unreachable: ") + report.rules[r].name;
    return out;
}

// A rule of slots of ten words each, one after another: 10^slots phrases. The words of the
// last slot begin with last, those of the others with "s" and the slot's number.
std::string Slots(const std::string& name, int slots, const std::string& last)
{
    std::string text = "<" + name + "> exported =";
    for (int slot = 0; slot < slots; ++slot) {
        text += " (";
        for (int w = 0; w < 10; ++w)
            text += (w ? " | " : " ") + (slot + 1 == slots ? last : "s" + std::to_string(slot)) + std::to_string(w);
        text += " )";
    }
    return text + ";\n";
}

struct PhraseCase {
    const char* name;
    std::string grammar;
    qmsim::ListEntries lists;
    size_t max;
    std::string expected;
};

struct ConflictCase {
    const char* name;
    std::vector<std::string> grammars;
    qmsim::ListEntries lists;
    std::string expected;
};

} // namespace

TEST(GrammarAnalysis, PhrasesOfEachExportedRuleFewestWordsFirst)
{
    const std::vector<PhraseCase> cases = {
        {"groups and options", "<r> exported = ( open | close ) [ the ] door;\n", {}, 100,
         "<r>: open door | close door | open the door | close the door"},
        {"exported rules in grammar order, others inlined",
         "<size> = big | small;\n<b> exported = a <size> dog;\n<a> exported = hello;\n", {}, 100,
         "<b>: a big dog | a small dog\n<a>: hello"},
        {"repetition unrolled to two rounds", "<r> exported = go ( left | right ) +;\n", {}, 100,
         "<r>: go left | go right | go left left | go left right | go right left | go right right"},
        {"list without entries in place", "<r> exported = paint {Colour} [ now ];\n", {}, 100,
         "<r>: paint {Colour} | paint {Colour} now"},
        {"list entries, one word group each", "<r> exported = paint {Colour};\n",
         {{"Colour", {"Red", "Deep  Blue"}}}, 100, "<r>: paint Red | paint Deep Blue"},
        {"a list given no entries accepts nothing", "<r> exported = paint {Colour};\n", {{"Colour", {""}}}, 100,
         "<r>:"},
        {"dictation and other imported rules in place",
         "<dgndictation> imported;\n<dgnletters> imported;\n<r> exported = say <dgndictation> | spell <dgnletters>;\n",
         {}, 100, "<r>: say <dgndictation> | spell <dgnletters>"},
        {"each phrase once, words compared without case",
         "<r> exported = a b | a [ b ] | A B | \"a b\";\n", {}, 100, "<r>: a | a b"},
        {"the empty phrase is not listed", "<r> exported = [ yes ];\n", {}, 100, "<r>: yes"},
        {"a circular reference accepts nothing where it circles", "<a> = x <a> | y;\n<r> exported = <a>;\n", {},
         100, "<r>: y"},
        {"--max with the exact count of distinct phrases", "<r> exported = ( a | b | c ) [ d ] | a;\n", {}, 2,
         "<r>: a | b +4 of 6"},
        {"--max 0 counts only", Slots("r", 6, "x"), {}, 0, "<r>: +1000000 of 1000000"},
        {"a count of 10^18 or more is not told", Slots("r", 18, "x"), {}, 1,
         "<r>: s00 s10 s20 s30 s40 s50 s60 s70 s80 s90 s100 s110 s120 s130 s140 s150 s160 x0 +more"},
    };
    for (const PhraseCase& c : cases)
        EXPECT_EQ(Phrases(c.grammar, c.lists, c.max), c.expected) << c.name;
}

TEST(GrammarAnalysis, ConflictsWithTheirShortestCommonPhrase)
{
    const std::vector<ConflictCase> cases = {
        {"within one grammar", {"<a> exported = open ( file | door );\n<b> exported = shut | open door;\n"}, {},
         "a/b: open door"},
        {"across two grammars, words compared without case",
         {"<a> exported = Move Up;\n", "<b> exported = stop | move up;\n"}, {}, "a/b: Move Up"},
        {"none", {"<a> exported = open door;\n", "<b> exported = open window | door;\n"}, {}, ""},
        {"the shortest of several", {"<a> exported = x y z | p;\n<b> exported = x y z | q | p;\n"}, {}, "a/b: p"},
        {"a list without entries matches any word, shown as the other word",
         {"<a> exported = play {Song};\n<b> exported = play music;\n<c> exported = play {Album};\n"}, {},
         "a/b: play music; a/c: play music; b/c: play music"},
        {"two lists without entries", {"<a> exported = play {Song};\n<b> exported = play {Album} | stop;\n"}, {},
         "a/b: play {Song}"},
        {"a list with entries matches only them",
         {"<a> exported = play {Song};\n<b> exported = play music;\n"}, {{"Song", {"jazz", "Music"}}},
         "a/b: play music"},
        {"a list whose entries are not said elsewhere", {"<a> exported = play {Song};\n<b> exported = play music;\n"},
         {{"Song", {"jazz"}}}, ""},
        {"dictation matches one or more words",
         {"<dgndictation> imported;\n<a> exported = note <dgndictation>;\n<b> exported = note to self | note;\n"},
         {}, "a/b: note to self"},
        {"dictation against dictation",
         {"<dgndictation> imported;\n<a> exported = search <dgndictation>;\n<b> exported = <dgndictation> search;\n"},
         {}, "a/b: search search"},
        {"another imported rule is one word of its own, which dictation also matches",
         {"<dgndictation> imported;\n<dgnletters> imported;\n<a> exported = spell <dgnletters>;\n"
          "<b> exported = spell <dgndictation>;\n<c> exported = spell me;\n"},
         {}, "a/b: spell <dgnletters>; b/c: spell me"},
        {"a repetition takes any number of rounds",
         {"<a> exported = go left +;\n", "<b> exported = go left left left;\n"}, {}, "a/b: go left left left"},
        {"rules that may say nothing conflict on a word", {"<a> exported = [ x ] +;\n<b> exported = [ x ] +;\n"},
         {}, "a/b: x"},
        {"two rules of a million phrases each",
         {Slots("a", 6, "x"), Slots("b", 6, "y") + Slots("c", 6, "x")}, {},
         "a/c: s00 s10 s20 s30 s40 x0"},
        {"a rule that accepts no phrase", {"<a> exported = paint {Colour};\n<b> exported = [ x ];\n"},
         {{"Colour", {}}}, "unreachable: a"},
    };
    for (const ConflictCase& c : cases)
        EXPECT_EQ(Conflicts(c.grammars, c.lists), c.expected) << c.name;
}
