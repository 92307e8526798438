// Grammars as the module's compiler packs them (lines end in "\n", as the editor leaves
// them) load, activate and recognise.
#include "MatcherTestSupport.h"

#include "GramParser.h"

using namespace simtest;

namespace {

uint32_t Compile(qmsim::Recogniser& engine, const std::string& text)
{
    GramParser parser;
    EXPECT_TRUE(parser.Compile(text, false)) << text;
    uint32_t handle = 0;
    std::string error;
    EXPECT_EQ(engine.Load(parser.packed.data(), parser.packed.size(), handle, error), qmsim::EngineStatus::Ok) << error;
    return handle;
}

} // namespace

TEST(CompiledGrammar, test_commands_are_told_apart_by_number)
{
    qmsim::Recogniser engine;
    for (int k = 1; k <= 12; ++k) {
        uint32_t h = Compile(engine, "<" + std::to_string(k) + "> exported = Test " + std::to_string(k) + ";\n");
        const std::string name = std::to_string(k);
        std::string error;
        ASSERT_EQ(engine.Activate(h, &name, 0, error), qmsim::EngineStatus::Ok) << error;
    }
    qmsim::Recognition r = engine.Recognise("test 12", 0);
    ASSERT_TRUE(r.recognised()) << r.error;
    EXPECT_EQ(r.grammar, 12u);
    EXPECT_EQ(r.ruleName, "12");
    EXPECT_EQ(Describe(r.words), "Test/1/1 12/2/1");
}

TEST(CompiledGrammar, editor_style_command_with_list_and_dictation)
{
    qmsim::Recogniser engine;
    uint32_t h = Compile(engine,
        "<OnOff> = {OnOff};\n<dgndictation> imported;\n<1> exported = Switch <OnOff> [ please ] <dgndictation>;\n");
    SetList(engine, h, "OnOff", {u"On", u"Off", u"On and Off"});
    const std::string one = "1";
    std::string error;
    ASSERT_EQ(engine.Activate(h, &one, 0, error), qmsim::EngineStatus::Ok) << error;
    // rule IDs: OnOff 1, dgndictation 2, 1 is 3
    EXPECT_EQ(Say(engine, "switch on and off please the light"),
              "Switch/1/3 On and Off/0/1 please/2/3 the/0/1000000 light/0/1000000");
    EXPECT_EQ(Say(engine, "switch off lamp"), "Switch/1/3 Off/0/1 lamp/0/1000000");
}
