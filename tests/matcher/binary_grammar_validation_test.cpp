// What the recogniser refuses to load, each refusal with its exact sentence; and that
// the shapes the compiler produces pass.
#include "BinaryGrammar.h"
#include "GrammarBytes.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

// Reads (which must succeed) and validates; returns "" when the grammar is accepted.
std::string Refusal(const Grammar& grammar)
{
    Bytes b = grammar.Pack();
    qmsim::BinaryGrammar g;
    std::string error;
    EXPECT_TRUE(qmsim::ReadBinaryGrammar(b.data(), b.size(), g, error)) << error;
    if (qmsim::ValidateBinaryGrammar(g, error)) {
        EXPECT_EQ(error, "");
        return "";
    }
    EXPECT_NE(error, "");
    return error;
}

// One exported rule "go" (ID 1) with the given body, words a (1) and b (2), list L (1).
Grammar WithBody(std::vector<El> body)
{
    Grammar g;
    g.exports = {{1, "go"}};
    g.lists = {{1, "L"}};
    g.words = {{1, "a"}, {2, "b"}};
    g.rules = {{1, std::move(body)}};
    return g;
}

} // namespace

TEST(BinaryGrammarValidation, accepts_the_built_in_command)
{
    Grammar g;
    g.exports = {{1, "builtin1"}};
    g.words = {{1, "Show"}, {2, "Quillmoor"}};
    g.rules = {{1, {S(Seq), W(1), W(2), E(Seq)}}};
    EXPECT_EQ(Refusal(g), "");
}

TEST(BinaryGrammarValidation, accepts_every_element_kind_nested)
{
    Grammar g = WithBody({S(Seq), S(Opt), W(1), E(Opt), S(Alt), W(2), S(Seq), W(1), W(2), E(Seq), E(Alt),
                          S(Rep), L(1), E(Rep), R(2), R(3), E(Seq)});
    g.imports = {{3, "dgndictation"}};
    g.rules.push_back({2, {W(1)}});
    EXPECT_EQ(Refusal(g), "");
}

TEST(BinaryGrammarValidation, refuses_bad_ids_and_names_in_name_tables)
{
    Grammar g = WithBody({W(1)});
    g.words = {{1, "a"}, {0, "b"}};
    EXPECT_EQ(Refusal(g), "word \"b\" has ID 0, which is not allowed");
    g.words = {{1, "a"}, {1, "b"}};
    EXPECT_EQ(Refusal(g), "word ID 1 is given twice (second time to \"b\")");
    g.words = {{1, "a"}, {2, ""}};
    EXPECT_EQ(Refusal(g), "word ID 2 has an empty name");
    g.words = {{1, "a"}, {2, "   "}};
    EXPECT_EQ(Refusal(g), "word ID 2 has an empty name");
    g.words = {{1, "a"}, {2, "a"}}; // the same spelling twice is harmless
    EXPECT_EQ(Refusal(g), "");

    g = WithBody({W(1)});
    g.lists = {{1, "L"}, {2, "L"}};
    EXPECT_EQ(Refusal(g), "list name \"L\" is given twice");
    g = WithBody({W(1)});
    g.exports = {{1, "go"}, {1, "again"}};
    EXPECT_EQ(Refusal(g), "exported rule ID 1 is given twice (second time to \"again\")");
    g = WithBody({W(1)});
    g.rules.push_back({2, {W(2)}});
    g.exports = {{1, "go"}, {2, "go"}};
    EXPECT_EQ(Refusal(g), "exported rule name \"go\" is given twice");
    g = WithBody({W(1)});
    g.imports = {{2, "dgndictation"}, {3, "dgndictation"}};
    EXPECT_EQ(Refusal(g), "imported rule name \"dgndictation\" is given twice");
}

TEST(BinaryGrammarValidation, refuses_bad_rule_tables)
{
    Grammar g = WithBody({W(1)});
    g.rules.push_back({0, {W(1)}});
    EXPECT_EQ(Refusal(g), "a rule definition has rule ID 0, which is not allowed");
    g = WithBody({W(1)});
    g.rules.push_back({1, {W(2)}});
    EXPECT_EQ(Refusal(g), "rule 1 is defined twice");
    g = Grammar();
    EXPECT_EQ(Refusal(g), "the grammar defines no rule");
    g.imports = {{1, "dgndictation"}};
    EXPECT_EQ(Refusal(g), "the grammar defines no rule");
    g = WithBody({W(1)});
    g.imports = {{2, "dgnletters"}};
    EXPECT_EQ(Refusal(g), "imported rule \"dgnletters\" is not provided by this recogniser (only \"dgndictation\" is)");
    g.imports = {{2, "DgnDictation"}};
    EXPECT_EQ(Refusal(g), "imported rule \"DgnDictation\" is not provided by this recogniser (only \"dgndictation\" is)");
    g.imports = {{1, "dgndictation"}};
    EXPECT_EQ(Refusal(g), "rule 1 is both imported (as \"dgndictation\") and defined");
    g = WithBody({W(1)});
    g.exports = {{1, "go"}, {5, "gone"}};
    EXPECT_EQ(Refusal(g), "exported rule \"gone\" (ID 5) has no definition");
    EXPECT_EQ(Refusal(WithBody({})), "rule 1 has an empty definition");
}

TEST(BinaryGrammarValidation, refuses_unknown_element_types_and_operation_codes)
{
    EXPECT_EQ(Refusal(WithBody({W(1), {5, 1}})), "rule 1, element 2: element type 5 is not known");
    EXPECT_EQ(Refusal(WithBody({{0, 0}})), "rule 1, element 1: element type 0 is not known");
    EXPECT_EQ(Refusal(WithBody({S(5), W(1), E(5)})), "rule 1, element 1: operation code 5 is not known");
    EXPECT_EQ(Refusal(WithBody({S(0), W(1), E(0)})), "rule 1, element 1: operation code 0 is not known");
    EXPECT_EQ(Refusal(WithBody({S(Seq), W(1), E(9)})), "rule 1, element 3: operation code 9 is not known");
}

TEST(BinaryGrammarValidation, refuses_unbalanced_or_empty_operations)
{
    EXPECT_EQ(Refusal(WithBody({W(1), E(Seq)})), "rule 1, element 2: end of sequence without a start");
    EXPECT_EQ(Refusal(WithBody({S(Seq), W(1), E(Alt)})),
              "rule 1, element 3: end of alternatives does not match the sequence started at element 1");
    EXPECT_EQ(Refusal(WithBody({S(Rep), S(Opt), W(1), E(Rep), E(Opt)})),
              "rule 1, element 4: end of repetition does not match the optional started at element 2");
    EXPECT_EQ(Refusal(WithBody({S(Rep), W(1)})), "rule 1: the repetition started at element 1 is not closed");
    EXPECT_EQ(Refusal(WithBody({S(Seq), W(1), S(Alt), W(2), E(Alt)})),
              "rule 1: the sequence started at element 1 is not closed");
    EXPECT_EQ(Refusal(WithBody({W(1), S(Opt), E(Opt)})), "rule 1, element 3: the optional started at element 2 has no operand");
    EXPECT_EQ(Refusal(WithBody({S(Alt), E(Alt)})), "rule 1, element 2: the alternatives started at element 1 has no operand");
}

TEST(BinaryGrammarValidation, refuses_references_to_undefined_words_lists_and_rules)
{
    EXPECT_EQ(Refusal(WithBody({S(Seq), W(1), W(3), E(Seq)})), "rule 1, element 3: word ID 3 is not defined in the words chunk");
    EXPECT_EQ(Refusal(WithBody({L(2)})), "rule 1, element 1: list ID 2 is not defined in the lists chunk");
    EXPECT_EQ(Refusal(WithBody({S(Seq), W(1), R(4), E(Seq)})), "rule 1, element 3: rule ID 4 is neither defined nor imported");
    // a word ID that only a list or rule has is still undefined as a word
    Grammar g = WithBody({W(5)});
    g.lists = {{5, "L"}};
    EXPECT_EQ(Refusal(g), "rule 1, element 1: word ID 5 is not defined in the words chunk");
}

TEST(BinaryGrammarValidation, refuses_recursion_and_overlong_reference_chains)
{
    EXPECT_EQ(Refusal(WithBody({S(Seq), W(1), S(Opt), R(1), E(Opt), E(Seq)})), "rule 1 refers to itself");

    Grammar g = WithBody({R(2)});
    g.rules.push_back({2, {S(Alt), W(1), R(3), E(Alt)}});
    g.rules.push_back({3, {S(Seq), W(2), R(1), E(Seq)}});
    EXPECT_EQ(Refusal(g), "rule 1 refers to itself through rule 3");

    // Reaching the same rule twice without a cycle is fine.
    g = WithBody({S(Seq), R(2), R(3), E(Seq)});
    g.rules.push_back({2, {R(3)}});
    g.rules.push_back({3, {W(1)}});
    EXPECT_EQ(Refusal(g), "");

    auto chain = [](uint32_t length) {
        Grammar c = WithBody({R(2)});
        for (uint32_t id = 2; id < length; ++id)
            c.rules.push_back({id, {R(id + 1)}});
        c.rules.push_back({length, {W(1)}});
        return c;
    };
    EXPECT_EQ(Refusal(chain(qmsim::MaxRuleDepth)), "");
    EXPECT_EQ(Refusal(chain(qmsim::MaxRuleDepth + 1)), "rule 1 starts a chain of rule references deeper than 32");
}

TEST(BinaryGrammarValidation, bounds_the_nesting_of_operations)
{
    auto nested = [](size_t depth) {
        std::vector<El> body;
        for (size_t i = 0; i < depth; ++i)
            body.push_back(S(Opt));
        body.push_back(W(1));
        for (size_t i = 0; i < depth; ++i)
            body.push_back(E(Opt));
        return WithBody(body);
    };
    EXPECT_EQ(Refusal(nested(qmsim::MaxOperationDepth)), "");
    EXPECT_EQ(Refusal(nested(qmsim::MaxOperationDepth + 1)), "rule 1, element 257: operations are nested deeper than 256");
}
