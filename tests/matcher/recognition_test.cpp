// Matching typed phrases: every element kind, rule references, lists, dictation, the
// trial order and the failures, each checked word by word (text/word number/rule number).
#include "MatcherTestSupport.h"

using namespace simtest;

namespace {

Grammar OneRule(std::vector<Name> words, std::vector<El> body)
{
    Grammar g;
    g.exports = {{1, "go"}};
    g.words = std::move(words);
    g.rules = {{1, std::move(body)}};
    return g;
}

} // namespace

TEST(Recognition, sequence_reports_grammar_spelling_word_ids_and_rule)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, OneRule({{1, "Show"}, {2, "Quillmoor"}}, {S(Seq), W(1), W(2), E(Seq)}));
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "show QUILLMOOR"), "Show/1/1 Quillmoor/2/1");
    EXPECT_EQ(Say(engine, "  Show \t Quillmoor  "), "Show/1/1 Quillmoor/2/1");
    EXPECT_EQ(Say(engine, "Show"), "failed: no parse: \"Show\"");
    EXPECT_EQ(Say(engine, "Show Quillmoor now"), "failed: no parse: \"Show Quillmoor now\"");
    qmsim::Recognition r = engine.Recognise(std::vector<std::string>{"Show", "Quillmoor"}, 0);
    ASSERT_TRUE(r.recognised());
    EXPECT_EQ(r.grammar, h);
    EXPECT_EQ(r.ruleId, 1u);
    EXPECT_EQ(r.ruleName, "go");
}

TEST(Recognition, case_folding_is_ascii_only)
{
    qmsim::Recogniser engine;
    // "Größe" in Windows-1252, reported in UTF-8
    uint32_t h = LoadOrFail(engine, OneRule({{1, "Gr\xF6\xDF" "e"}}, {W(1)}));
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "GR\xC3\xB6\xC3\x9F" "E"), "Gr\xC3\xB6\xC3\x9F" "e/1/1");
    EXPECT_EQ(Say(engine, "GR\xC3\x96\xC3\x9F" "E"), "failed: no parse: \"GR\xC3\x96\xC3\x9F" "E\"");
}

TEST(Recognition, alternatives_optional_and_repetition_nested)
{
    qmsim::Recogniser engine;
    // [please] (open | close the (door | window)) again+
    uint32_t h = LoadOrFail(engine,
        OneRule({{1, "please"}, {2, "open"}, {3, "close"}, {4, "the"}, {5, "door"}, {6, "window"}, {7, "again"}},
                {S(Seq), S(Opt), W(1), E(Opt),
                 S(Alt), W(2), S(Seq), W(3), W(4), S(Alt), W(5), W(6), E(Alt), E(Seq), E(Alt),
                 S(Rep), W(7), E(Rep), E(Seq)}));
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "please open again"), "please/1/1 open/2/1 again/7/1");
    EXPECT_EQ(Say(engine, "open again again again"), "open/2/1 again/7/1 again/7/1 again/7/1");
    EXPECT_EQ(Say(engine, "close the window again"), "close/3/1 the/4/1 window/6/1 again/7/1");
    EXPECT_EQ(Say(engine, "please close the door again again"),
              "please/1/1 close/3/1 the/4/1 door/5/1 again/7/1 again/7/1");
    EXPECT_EQ(Say(engine, "open"), "failed: no parse: \"open\""); // repetition needs one round
    EXPECT_EQ(Say(engine, "please please open again"), "failed: no parse: \"please please open again\"");
    EXPECT_EQ(Say(engine, "close the again"), "failed: no parse: \"close the again\"");
}

TEST(Recognition, repetition_of_a_part_that_can_be_empty_ends)
{
    qmsim::Recogniser engine;
    // ([a])+ b : the repeated part may match nothing; that must not loop
    uint32_t h = LoadOrFail(engine, OneRule({{1, "a"}, {2, "b"}}, {S(Seq), S(Rep), S(Opt), W(1), E(Opt), E(Rep), W(2), E(Seq)}));
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "b"), "b/2/1");
    EXPECT_EQ(Say(engine, "a a b"), "a/1/1 a/1/1 b/2/1");
}

TEST(Recognition, rule_references_report_the_innermost_rule)
{
    qmsim::Recogniser engine;
    Grammar g;
    g.exports = {{1, "move"}};
    g.words = {{1, "move"}, {2, "up"}, {3, "down"}, {4, "fast"}, {5, "slowly"}};
    // <move> exported = move <dir> [<speed>]; <dir> = up | down <speed>; <speed> = fast | slowly;
    g.rules = {{1, {S(Seq), W(1), R(2), S(Opt), R(3), E(Opt), E(Seq)}},
               {2, {S(Alt), W(2), S(Seq), W(3), R(3), E(Seq), E(Alt)}},
               {3, {S(Alt), W(4), W(5), E(Alt)}}};
    uint32_t h = LoadOrFail(engine, g);
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "move up"), "move/1/1 up/2/2");
    EXPECT_EQ(Say(engine, "move up fast"), "move/1/1 up/2/2 fast/4/3");
    EXPECT_EQ(Say(engine, "move down slowly fast"), "move/1/1 down/3/2 slowly/5/3 fast/4/3");
    // Only exported rules are activated and tried at the top.
    EXPECT_EQ(Say(engine, "up"), "failed: no parse: \"up\"");
}

TEST(Recognition, a_list_value_of_several_words_is_one_word)
{
    qmsim::Recogniser engine;
    Grammar g;
    g.exports = {{1, "switch"}, {3, "stop"}};
    g.lists = {{1, "OnOff"}};
    g.words = {{1, "switch"}, {2, "and"}, {3, "stop"}};
    // <switch> exported = switch <state>;  <state> = {OnOff};  <stop> exported = switch {OnOff} and stop;
    g.rules = {{2, {L(1)}}, {1, {S(Seq), W(1), R(2), E(Seq)}}, {3, {S(Seq), W(1), L(1), W(2), W(3), E(Seq)}}};
    uint32_t h = LoadOrFail(engine, g);
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "switch on"), "failed: no parse: \"switch on\""); // the list is empty
    SetList(engine, h, "OnOff", {u"On", u"Off", u"On and Off"});
    EXPECT_EQ(Say(engine, "switch on"), "switch/1/1 On/0/2");
    EXPECT_EQ(Say(engine, "switch ON AND OFF"), "switch/1/1 On and Off/0/2");
    EXPECT_EQ(Say(engine, "switch on and"), "failed: no parse: \"switch on and\"");
    // the longer value is tried first and, when the rest does not follow, the shorter one
    EXPECT_EQ(Say(engine, "switch on and stop"), "switch/1/3 On/0/3 and/2/3 stop/3/3");
}

TEST(Recognition, list_values_of_equal_length_are_tried_in_list_order)
{
    qmsim::Recogniser engine;
    Grammar g;
    g.exports = {{1, "pick"}};
    g.lists = {{1, "L"}};
    g.rules = {{1, {L(1)}}};
    uint32_t h = LoadOrFail(engine, g);
    ActivateAll(engine, h);
    SetList(engine, h, "L", {u"Red", u"dark red", u"RED"});
    EXPECT_EQ(Say(engine, "red"), "Red/0/1");
    EXPECT_EQ(Say(engine, "dark red"), "dark red/0/1");
    SetList(engine, h, "L", {u"RED", u"Red"});
    EXPECT_EQ(Say(engine, "red"), "RED/0/1");
}

TEST(Recognition, a_grammar_word_holding_spaces_is_said_as_several_words_and_reported_once)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, OneRule({{1, "fly"}, {2, "New York"}}, {S(Seq), W(1), W(2), E(Seq)}));
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "fly new york"), "fly/1/1 New York/2/1");
    EXPECT_EQ(Say(engine, "fly new"), "failed: no parse: \"fly new\"");
}

TEST(Recognition, dictation_before_between_and_after_words_takes_as_few_words_as_it_can)
{
    qmsim::Recogniser engine;
    Grammar g;
    g.exports = {{1, "note"}, {2, "say"}, {3, "ending"}};
    g.imports = {{9, "dgndictation"}};
    g.words = {{1, "note"}, {2, "say"}, {3, "now"}, {4, "end"}};
    g.rules = {{1, {S(Seq), W(1), R(9), E(Seq)}},
               {2, {S(Seq), W(2), R(9), W(3), R(9), E(Seq)}},
               {3, {S(Seq), R(9), W(4), E(Seq)}}};
    uint32_t h = LoadOrFail(engine, g);
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "note Hello World"), "note/1/1 Hello/0/1000000 World/0/1000000");
    EXPECT_EQ(Say(engine, "say a b now c now d"),
              "say/2/2 a/0/1000000 b/0/1000000 now/3/2 c/0/1000000 now/0/1000000 d/0/1000000");
    EXPECT_EQ(Say(engine, "the end end"), "the/0/1000000 end/0/1000000 end/4/3");
    EXPECT_EQ(Say(engine, "note"), "failed: no parse: \"note\""); // dictation needs a word
    EXPECT_EQ(Say(engine, "end"), "failed: no parse: \"end\"");
}

TEST(Recognition, optional_part_is_tried_before_leaving_it_out)
{
    qmsim::Recogniser engine;
    Grammar g;
    g.exports = {{1, "go"}};
    g.imports = {{2, "dgndictation"}};
    g.words = {{1, "stop"}};
    // <dgndictation> [stop] : "stop" is a command word when it can be
    g.rules = {{1, {S(Seq), R(2), S(Opt), W(1), E(Opt), E(Seq)}}};
    uint32_t h = LoadOrFail(engine, g);
    ActivateAll(engine, h);
    EXPECT_EQ(Say(engine, "hello stop"), "hello/0/1000000 stop/1/1");
    EXPECT_EQ(Say(engine, "stop stop"), "stop/0/1000000 stop/1/1");
}

TEST(Recognition, older_grammars_and_earlier_rules_win)
{
    qmsim::Recogniser engine;
    Grammar second;
    second.exports = {{1, "first"}, {2, "second"}};
    second.words = {{1, "hello"}};
    // both rules say "hello"; rule 2 is defined first
    second.rules = {{2, {W(1)}}, {1, {W(1)}}};
    uint32_t older = LoadOrFail(engine, OneRule({{5, "hello"}}, {W(5)}));
    uint32_t newer = LoadOrFail(engine, second);
    ActivateAll(engine, older);
    ActivateAll(engine, newer);
    qmsim::Recognition r = engine.Recognise("hello", 0);
    ASSERT_TRUE(r.recognised());
    EXPECT_EQ(r.grammar, older);
    EXPECT_EQ(Describe(r.words), "hello/5/1");

    std::string error;
    ASSERT_EQ(engine.Deactivate(older, nullptr, error), qmsim::EngineStatus::Ok);
    r = engine.Recognise("hello", 0);
    ASSERT_TRUE(r.recognised());
    EXPECT_EQ(r.grammar, newer);
    EXPECT_EQ(r.ruleName, "second");
    EXPECT_EQ(Describe(r.words), "hello/1/2");
}

TEST(Recognition, failures_are_told_apart)
{
    qmsim::Recogniser engine;
    EXPECT_EQ(Say(engine, "anything"), "failed: no active rules");
    uint32_t h = LoadOrFail(engine, OneRule({{1, "go"}}, {W(1)}));
    EXPECT_EQ(Say(engine, "go"), "failed: no active rules");
    ActivateAll(engine, h);
    qmsim::Recognition r = engine.Recognise("went", 0);
    EXPECT_EQ(r.failure, qmsim::RecognitionFailure::NoParse);
    EXPECT_EQ(r.error, "no parse: \"went\"");
    r = engine.Recognise(" \t ", 0);
    EXPECT_EQ(r.failure, qmsim::RecognitionFailure::NoWords);
    EXPECT_EQ(r.error, "no words");
    std::string many;
    for (size_t i = 0; i <= qmsim::MaxPhraseWords; ++i)
        many += "go ";
    r = engine.Recognise(many, 0);
    EXPECT_EQ(r.failure, qmsim::RecognitionFailure::TooManyWords);
    EXPECT_EQ(r.error, "too many words: 257 (at most 256)");
}

TEST(Recognition, exponential_backtracking_is_cut_off_as_too_complex)
{
    qmsim::Recogniser engine;
    // (a | a a)+ b against a long run of a without b: the ways to split grow like Fibonacci
    uint32_t h = LoadOrFail(engine, OneRule({{1, "a"}, {2, "b"}},
        {S(Seq), S(Rep), S(Alt), W(1), S(Seq), W(1), W(1), E(Seq), E(Alt), E(Rep), W(2), E(Seq)}));
    ActivateAll(engine, h);
    std::string phrase;
    for (int i = 0; i < 60; ++i)
        phrase += "a ";
    qmsim::Recognition r = engine.Recognise(phrase, 0);
    EXPECT_EQ(r.failure, qmsim::RecognitionFailure::TooComplex);
    EXPECT_EQ(r.error.rfind("too complex: matching \"a a a", 0), 0u) << r.error;
    EXPECT_NE(r.error.find("against rule \"go\" of grammar 1 ran out of steps or depth"), std::string::npos) << r.error;
    // the same grammar still answers short phrases
    EXPECT_EQ(Say(engine, "a a a b"), "a/1/1 a/1/1 a/1/1 b/2/1");
}

TEST(Recognition, long_phrases_and_deep_nesting_stay_within_bounds)
{
    qmsim::Recogniser engine;
    std::vector<El> deep;
    for (size_t i = 0; i < qmsim::MaxOperationDepth; ++i)
        deep.push_back(S(Opt));
    deep.push_back(W(1));
    for (size_t i = 0; i < qmsim::MaxOperationDepth; ++i)
        deep.push_back(E(Opt));
    uint32_t a = LoadOrFail(engine, OneRule({{1, "deep"}}, deep));
    ActivateAll(engine, a);
    EXPECT_EQ(Say(engine, "deep"), "deep/1/1");

    uint32_t b = LoadOrFail(engine, OneRule({{1, "x"}}, {S(Rep), W(1), E(Rep)}));
    ActivateAll(engine, b);
    std::string phrase;
    for (size_t i = 0; i < qmsim::MaxPhraseWords; ++i)
        phrase += "x ";
    qmsim::Recognition r = engine.Recognise(phrase, 0);
    ASSERT_TRUE(r.recognised()) << r.error;
    EXPECT_EQ(r.words.size(), qmsim::MaxPhraseWords);
    EXPECT_EQ(r.grammar, b);
}

TEST(Recognition, grammars_deeper_than_the_matcher_allows_are_too_complex_not_a_crash)
{
    qmsim::Recogniser engine;
    // 32 rules in a chain, each wrapping the next in 100 nested optional parts
    Grammar g;
    g.exports = {{1, "deep"}};
    g.words = {{1, "bottom"}};
    for (uint32_t id = 1; id <= qmsim::MaxRuleDepth; ++id) {
        std::vector<El> body;
        for (int i = 0; i < 100; ++i)
            body.push_back(S(Opt));
        body.push_back(id == qmsim::MaxRuleDepth ? W(1) : R(id + 1));
        for (int i = 0; i < 100; ++i)
            body.push_back(E(Opt));
        g.rules.push_back({id, body});
    }
    uint32_t h = LoadOrFail(engine, g);
    ActivateAll(engine, h);
    qmsim::Recognition r = engine.Recognise("bottom", 0);
    EXPECT_EQ(r.failure, qmsim::RecognitionFailure::TooComplex) << r.error;
}

TEST(Recognition, the_largest_test_command_set_fits_the_step_budget)
{
    qmsim::Recogniser engine;
    for (uint32_t k = 1; k <= 7500; ++k) {
        Grammar g;
        g.exports = {{1, std::to_string(k)}};
        g.words = {{1, "Test"}, {2, std::to_string(k)}};
        g.rules = {{1, {S(Seq), W(1), W(2), E(Seq)}}};
        ActivateAll(engine, LoadOrFail(engine, g));
    }
    qmsim::Recognition r = engine.Recognise("test 7500", 0);
    ASSERT_TRUE(r.recognised()) << r.error;
    EXPECT_EQ(r.grammar, 7500u);
    EXPECT_EQ(Describe(r.words), "Test/1/1 7500/2/1");
    EXPECT_EQ(engine.Recognise("test 7501", 0).error, "no parse: \"test 7501\"");
}

TEST(Recognition, a_phrase_not_parsed_tells_how_many_words_the_rules_followed)
{
    qmsim::Recogniser engine;
    // [please] (open | close the window) again+
    uint32_t h = LoadOrFail(engine,
        OneRule({{1, "please"}, {2, "open"}, {3, "close"}, {4, "the"}, {6, "window"}, {7, "again"}},
                {S(Seq), S(Opt), W(1), E(Opt),
                 S(Alt), W(2), S(Seq), W(3), W(4), W(6), E(Seq), E(Alt),
                 S(Rep), W(7), E(Rep), E(Seq)}));
    ActivateAll(engine, h);
    const struct {
        const char* phrase;
        size_t followed;
    } cases[] = {
        {"window", 0}, {"please window", 1}, {"close the door again", 2}, {"open again again now", 3},
        {"please close the window", 4},
    };
    for (const auto& c : cases) {
        qmsim::Recognition r = engine.Recognise(c.phrase, 0);
        EXPECT_EQ(r.failure, qmsim::RecognitionFailure::NoParse) << c.phrase;
        EXPECT_EQ(r.wordsFollowed, c.followed) << c.phrase;
    }
}
