// Loading, activation by name or all at once, binding to a foreground window,
// deactivation and unloading, as seen through Rules() and recognition.
#include "MatcherTestSupport.h"

using namespace simtest;
using qmsim::EngineStatus;

namespace {

// Exported rules "1" (says one) and "2" (says two); rule 3 is not exported (says three).
Grammar TwoCommands()
{
    Grammar g;
    g.exports = {{1, "1"}, {2, "2"}};
    g.words = {{1, "one"}, {2, "two"}, {3, "three"}};
    g.rules = {{1, {W(1)}}, {2, {W(2)}}, {3, {W(3)}}};
    return g;
}

std::string States(const qmsim::Recogniser& engine, uint32_t h)
{
    std::string text;
    for (const qmsim::RuleStatus& r : engine.Rules(h)) {
        text += r.name + (r.active ? "+" : "-");
        if (r.window)
            text += "@" + std::to_string(r.window);
        text += " ";
    }
    return text;
}

} // namespace

TEST(Activation, a_rule_bound_to_a_window_is_active_only_while_it_is_in_the_foreground)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, TwoCommands());
    std::string error;
    ASSERT_EQ(engine.Activate(h, nullptr, 0, error), EngineStatus::Ok); // all rules globally
    EXPECT_EQ(States(engine, h), "1+ 2+ ");
    const std::string one = "1";
    ASSERT_EQ(engine.Activate(h, &one, 0x100, error), EngineStatus::Ok);
    EXPECT_EQ(States(engine, h), "1+@256 2+ ");
    EXPECT_EQ(Say(engine, "one", 0x100), "one/1/1");
    EXPECT_EQ(Say(engine, "one", 0x200), "failed: no parse: \"one\""); // rule 2 is still active
    EXPECT_EQ(Say(engine, "two", 0x200), "two/2/2");

    // rebinding moves the rule to the new window
    ASSERT_EQ(engine.Activate(h, &one, 0x200, error), EngineStatus::Ok);
    EXPECT_EQ(Say(engine, "one", 0x100), "failed: no parse: \"one\"");
    EXPECT_EQ(Say(engine, "one", 0x200), "one/1/1");
    // and activating it with no window makes it global again
    ASSERT_EQ(engine.Activate(h, &one, 0, error), EngineStatus::Ok);
    EXPECT_EQ(Say(engine, "one", 0x300), "one/1/1");
}

TEST(Activation, reports_whether_an_activation_changed_anything)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, TwoCommands());
    std::string error;
    const std::string one = "1";
    bool changed = false;
    ASSERT_EQ(engine.Activate(h, &one, 0x100, error, &changed), EngineStatus::Ok);
    EXPECT_TRUE(changed);
    ASSERT_EQ(engine.Activate(h, &one, 0x100, error, &changed), EngineStatus::Ok);
    EXPECT_FALSE(changed); // the same binding again
    ASSERT_EQ(engine.Activate(h, &one, 0x200, error, &changed), EngineStatus::Ok);
    EXPECT_TRUE(changed);
    ASSERT_EQ(engine.Activate(h, nullptr, 0x200, error, &changed), EngineStatus::Ok);
    EXPECT_TRUE(changed); // rule 2 was not active
    ASSERT_EQ(engine.Activate(h, nullptr, 0x200, error, &changed), EngineStatus::Ok);
    EXPECT_FALSE(changed);
}

TEST(Activation, nothing_active_for_the_window_is_no_active_rules)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, TwoCommands());
    ActivateAll(engine, h, 0x100);
    EXPECT_EQ(States(engine, h), "1+@256 2+@256 ");
    EXPECT_EQ(Say(engine, "one", 0), "failed: no active rules");
    EXPECT_EQ(Say(engine, "one", 0x101), "failed: no active rules");
    EXPECT_EQ(Say(engine, "two", 0x100), "two/2/2");
}

TEST(Activation, null_name_activates_every_exported_rule_only)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, TwoCommands());
    EXPECT_EQ(States(engine, h), "1- 2- ");
    ActivateAll(engine, h);
    EXPECT_EQ(States(engine, h), "1+ 2+ ");
    EXPECT_EQ(Say(engine, "three"), "failed: no parse: \"three\"");

    Grammar hidden;
    hidden.words = {{1, "x"}};
    hidden.rules = {{1, {W(1)}}};
    uint32_t g = LoadOrFail(engine, hidden);
    std::string error;
    EXPECT_EQ(engine.Activate(g, nullptr, 0, error), EngineStatus::NoSuchRule);
    EXPECT_EQ(error, "the grammar has no exported rule to activate");
}

TEST(Activation, unknown_or_unexported_rule_names_are_refused)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, TwoCommands());
    std::string error;
    const std::string three = "3", lower = "One", empty;
    EXPECT_EQ(engine.Activate(h, &three, 0, error), EngineStatus::NoSuchRule);
    EXPECT_EQ(error, "the grammar has no exported rule named \"3\"");
    EXPECT_EQ(engine.Activate(h, &empty, 0, error), EngineStatus::NoSuchRule);
    EXPECT_EQ(error, "the grammar has no exported rule named \"\"");
    EXPECT_EQ(engine.Deactivate(h, &three, error), EngineStatus::NoSuchRule);
    EXPECT_EQ(error, "the grammar has no exported rule named \"3\"");
    EXPECT_EQ(States(engine, h), "1- 2- ");

    Grammar named = TwoCommands();
    named.exports = {{1, "One"}};
    uint32_t n = LoadOrFail(engine, named);
    const std::string one = "one";
    EXPECT_EQ(engine.Activate(n, &one, 0, error), EngineStatus::NoSuchRule); // names are case-sensitive
    EXPECT_EQ(engine.Activate(n, &lower, 0, error), EngineStatus::Ok);
}

TEST(Activation, deactivation_of_an_inactive_rule_is_reported_and_changes_nothing)
{
    qmsim::Recogniser engine;
    uint32_t h = LoadOrFail(engine, TwoCommands());
    std::string error;
    const std::string one = "1", two = "2";
    EXPECT_EQ(engine.Deactivate(h, &one, error), EngineStatus::RuleNotActive);
    EXPECT_EQ(error, "rule \"1\" is not active");
    ASSERT_EQ(engine.Activate(h, &one, 0x100, error), EngineStatus::Ok);
    ASSERT_EQ(engine.Activate(h, &two, 0, error), EngineStatus::Ok);
    EXPECT_EQ(engine.Deactivate(h, &one, error), EngineStatus::Ok);
    EXPECT_EQ(error, "");
    EXPECT_EQ(States(engine, h), "1- 2+ ");
    EXPECT_EQ(Say(engine, "one", 0x100), "failed: no parse: \"one\"");
    // null name: every rule, active or not, without complaint
    EXPECT_EQ(engine.Deactivate(h, nullptr, error), EngineStatus::Ok);
    EXPECT_EQ(engine.Deactivate(h, nullptr, error), EngineStatus::Ok);
    EXPECT_EQ(States(engine, h), "1- 2- ");
    EXPECT_EQ(Say(engine, "two"), "failed: no active rules");
}

TEST(Activation, load_refusal_unload_and_handles)
{
    qmsim::Recogniser engine;
    Bytes bad = Header(3);
    uint32_t handle = 77;
    std::string error;
    EXPECT_EQ(engine.Load(bad.data(), bad.size(), handle, error), EngineStatus::BadGrammar);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(error, "header at byte 0: grammar type 3 is not 0 (context-free grammar)");
    Bytes unvalidated = Concat({Header(), NameChunk(5, {{2, "dgnwords"}}), RuleChunk({{1, {R(2)}}})});
    EXPECT_EQ(engine.Load(unvalidated.data(), unvalidated.size(), handle, error), EngineStatus::BadGrammar);
    EXPECT_EQ(error, "imported rule \"dgnwords\" is not provided by this recogniser (only \"dgndictation\" is)");
    EXPECT_TRUE(engine.Grammars().empty());

    uint32_t a = LoadOrFail(engine, TwoCommands());
    uint32_t b = LoadOrFail(engine, TwoCommands());
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    ActivateAll(engine, a);
    EXPECT_EQ(engine.Unload(a), EngineStatus::Ok);
    EXPECT_EQ(engine.Unload(a), EngineStatus::NoSuchGrammar);
    EXPECT_EQ(engine.Activate(a, nullptr, 0, error), EngineStatus::NoSuchGrammar);
    EXPECT_EQ(error, "no grammar is loaded with handle 1");
    EXPECT_EQ(Say(engine, "one"), "failed: no active rules");
    EXPECT_EQ(LoadOrFail(engine, TwoCommands()), 3u); // handles are not reused
    EXPECT_EQ(engine.Grammars(), (std::vector<uint32_t>{2, 3}));
    EXPECT_TRUE(engine.Rules(a).empty());
}
