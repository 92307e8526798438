// qm-gramc --try: for a grammar, its lists and a phrase, the lines the module logs when the
// simulated Dragon recognises that phrase (tests/e2e/try_phrases.qms says some of them to the
// module itself), and how far a phrase that is not recognised got.
#include "CompilerMessages.h"
#include "GramParser.h"
#include "PhraseTrial.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The grammar the end-to-end scenario loads from a binary file: Load From Binary fills
// OnOff with On and Off and activates rule 1.
const char kSwitchGrammar[] =
    "<OnOff> = {OnOff};\n"
    "<dgndictation> imported;\n"
    "<1> exported = switch <OnOff> [ please ] | note <dgndictation> [ done ] | lights {OnOff} {OnOff};\n";
const std::vector<ListValues> kOnOff = {{"OnOff", {"On", "Off"}}};

const char kPaintGrammar[] =
    "<Colour> = {Colour};\n"
    "<dgndictation> imported;\n"
    "<Move> exported = move ( up | down ) + [ \"New York\" ];\n"
    "<Paint> exported = paint <Colour> <dgndictation> {Colour};\n";
const std::vector<ListValues> kColours = {{"Colour", {"Red", "Deep Blue", "Sea\\Green"}}};

struct Trial {
    const char* name;
    const char* grammar;
    std::vector<ListValues> lists;
    std::string phrase;
    std::string expected;
    TrialStatus status;
};

std::string TryOne(const Trial& trial, TrialStatus& status, std::string& error)
{
    SetCompilerBoxHandler([](const char* text, const char*, unsigned) {
        ADD_FAILURE() << "compiler box: " << text;
        return kAnswerOk;
    });
    GramParser parser;
    EXPECT_TRUE(parser.Compile(trial.grammar, false));
    std::string out;
    status = TryPhrases(parser.packed, trial.lists, {trial.phrase}, out, error);
    return out;
}

} // namespace

TEST(PhraseTrial, PrintsTheLinesTheModuleLogsForEachPhrase)
{
    const std::vector<Trial> trials = {
        {"list entry", kSwitchGrammar, kOnOff, "Switch on please",
         ">> switch On please <<\nRule 3: switch; dwWordNum: 1\nRule 1: On; dwWordNum: 0\n"
         "Rule 3: please; dwWordNum: 2\nLists: <_arg1 = On> \n",
         TrialStatus::AllRecognised},
        {"dictation ends with a blank", kSwitchGrammar, kOnOff, "note hello world",
         ">> note hello world <<\nRule 3: note; dwWordNum: 3\nRule 1000000: hello; dwWordNum: 0\n"
         "Rule 1000000: world; dwWordNum: 0\nLists: <_arg1 = hello world > \n",
         TrialStatus::AllRecognised},
        {"dictation then command words", kSwitchGrammar, kOnOff, "note buy milk done",
         ">> note buy milk done <<\nRule 3: note; dwWordNum: 3\nRule 1000000: buy; dwWordNum: 0\n"
         "Rule 1000000: milk; dwWordNum: 0\nRule 3: done; dwWordNum: 4\nLists: <_arg1 = buy milk > \n",
         TrialStatus::AllRecognised},
        {"two list entries in a row", kSwitchGrammar, kOnOff, "lights off on",
         ">> lights Off On <<\nRule 3: lights; dwWordNum: 5\nRule 3: Off; dwWordNum: 0\n"
         "Rule 3: On; dwWordNum: 0\nLists: <_arg1 = Off> <_arg2 = On> \n",
         TrialStatus::AllRecognised},
        {"repetition and a quoted word, no values", kPaintGrammar, kColours, "move up down up new york",
         ">> move up down up New York <<\nRule 3: move; dwWordNum: 1\nRule 3: up; dwWordNum: 2\n"
         "Rule 3: down; dwWordNum: 3\nRule 3: up; dwWordNum: 2\nRule 3: New York; dwWordNum: 4\n",
         TrialStatus::AllRecognised},
        {"list, dictation cut at its backslash, list kept whole", kPaintGrammar, kColours,
         "paint deep blue it\\pron now sea\\green",
         ">> paint Deep Blue it\\pron now Sea\\Green <<\nRule 4: paint; dwWordNum: 5\n"
         "Rule 1: Deep Blue; dwWordNum: 0\nRule 1000000: it\\pron; dwWordNum: 0\n"
         "Rule 1000000: now; dwWordNum: 0\nRule 4: Sea\\Green; dwWordNum: 0\n"
         "Lists: <_arg1 = Deep Blue> <_arg2 = it now > <_arg3 = Sea\\Green> \n",
         TrialStatus::AllRecognised},
        {"Windows-1252 texts pass through", "<1> exported = caf\xE9 {Dish};\n", {{"Dish", {"cr\xEApe"}}},
         "CAF\xE9 cr\xEApe",
         ">> caf\xE9 cr\xEApe <<\nRule 1: caf\xE9; dwWordNum: 1\nRule 1: cr\xEApe; dwWordNum: 0\n"
         "Lists: <_arg1 = cr\xEApe> \n",
         TrialStatus::AllRecognised},
        {"the words line keeps its closing marks", "<1> exported = {Long};\n",
         {{"Long", {std::string(300, 'w')}}}, std::string(300, 'w'),
         // 255 characters with the timing line of a phrase timed at 0 ms (50 characters),
         // a detail line 127 bytes, an argument piece 255 bytes.
         ">> " + std::string(255 - 50 - 3 - 4, 'w') + " <<\n" + "Rule 1: " + std::string(118, 'w') + "\n" +
             "Lists: <_arg1 = " + std::string(246, 'w') + "\n",
         TrialStatus::AllRecognised},
        {"no rule begins with the first word", kSwitchGrammar, kOnOff, "paint it",
         "not recognised: paint it\n  no active rule begins with \"paint\"\n", TrialStatus::NotAllRecognised},
        {"stopped inside the phrase", kSwitchGrammar, kOnOff, "switch on now",
         "not recognised: switch on now\n"
         "  the active rules follow 2 of 3 words, \"switch on\", and none goes on with \"now\"\n",
         TrialStatus::NotAllRecognised},
        {"a list left empty", kSwitchGrammar, {}, "switch on",
         "not recognised: switch on\n"
         "  the active rules follow 1 of 2 words, \"switch\", and none goes on with \"on\"\n",
         TrialStatus::NotAllRecognised},
        {"the phrase ends too early", kPaintGrammar, kColours, "paint red",
         "not recognised: paint red\n  the active rules follow the whole phrase and expect more words\n",
         TrialStatus::NotAllRecognised},
        {"no words", kSwitchGrammar, kOnOff, " \t", "not recognised:  \t\n  no words\n",
         TrialStatus::NotAllRecognised},
        {"no exported rule", "<a> = x;\n", {}, "x", "not recognised: x\n  no active rules\n",
         TrialStatus::NotAllRecognised},
    };
    for (const Trial& trial : trials) {
        TrialStatus status;
        std::string error;
        EXPECT_EQ(TryOne(trial, status, error), trial.expected) << trial.name;
        EXPECT_EQ(status, trial.status) << trial.name;
        EXPECT_EQ(error, "") << trial.name;
    }
}

TEST(PhraseTrial, ListsThatCannotBeFilledAndGrammarsTheRecogniserRefusesAreReported)
{
    const std::vector<Trial> trials = {
        {"a list the grammar lacks", kSwitchGrammar, {{"Colour", {"Red"}}}, "x",
         "the grammar has no list named \"Colour\"", TrialStatus::BadList},
        {"an empty value", kSwitchGrammar, {{"OnOff", {"On", ""}}}, "x",
         "list OnOff, value \"\": word record at byte 0: the word is empty", TrialStatus::BadList},
        {"an undefined rule", "<1> exported = <2>;\n", {}, "x",
         "the recogniser refuses the grammar: rule 1, element 1: rule ID 2 is neither defined nor imported",
         TrialStatus::NotAllRecognised},
    };
    for (const Trial& trial : trials) {
        TrialStatus status;
        std::string error;
        EXPECT_EQ(TryOne(trial, status, error), "") << trial.name;
        EXPECT_EQ(error, trial.expected) << trial.name;
        EXPECT_EQ(status, trial.status) << trial.name;
    }
}

TEST(PhraseTrial, ANamedListTwiceGetsBothRunsOfValues)
{
    const Trial trial = {"", kSwitchGrammar, {{"OnOff", {"On"}}, {"OnOff", {"Off"}}}, "", "", {}};
    GramParser parser;
    ASSERT_TRUE(parser.Compile(trial.grammar, false));
    std::string out, error;
    EXPECT_EQ(TryPhrases(parser.packed, trial.lists, {"switch on", "switch off"}, out, error),
              TrialStatus::AllRecognised)
        << out << error;
}

TEST(PhraseTrial, ListOptionsSplitAtTheFirstEqualsSignAndAtCommas)
{
    struct Case {
        const char* text;
        bool ok;
        const char* name;
        std::vector<std::string> values;
    };
    const std::vector<Case> cases = {
        {"OnOff=On,Off", true, "OnOff", {"On", "Off"}},
        {"Eq=a=b", true, "Eq", {"a=b"}},
        {"Blank=", true, "Blank", {""}},
        {"Gap=a,,b", true, "Gap", {"a", "", "b"}},
        {"=On", false, "", {}},
        {"OnOff", false, "", {}},
    };
    for (const Case& c : cases) {
        ListValues list;
        std::string error;
        EXPECT_EQ(ParseListValues(c.text, list, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(list.name, c.name) << c.text;
            EXPECT_EQ(list.values, c.values) << c.text;
        } else {
            EXPECT_NE(error.find("NAME=VALUE"), std::string::npos) << c.text;
        }
    }
}
