// The DVC subset: compile errors with their numbers and lines, runs with values that
// arrive packed as UTF-16, and run-time errors.
#include "DvcScript.h"
#include "ScriptValues.h"

#include <gtest/gtest.h>

namespace {

std::string Check(const std::string& script)
{
    qmsim::ScriptCheck c = qmsim::CheckScript(script);
    return std::to_string(c.errorNumber) + "@" + std::to_string(c.errorLine) + (c.errorText.empty() ? "" : " " + c.errorText);
}

std::string Actions(const qmsim::ScriptRun& run)
{
    std::string text;
    for (const qmsim::ScriptAction& a : run.actions)
        text += std::string(qmsim::ActionName(a.kind)) + "(" + a.text + ")@" + std::to_string(a.line) + " ";
    return text;
}

std::vector<std::string> Unpack(const std::u16string& buffer)
{
    std::vector<std::string> values;
    std::string error;
    EXPECT_TRUE(qmsim::UnpackScriptValues(buffer.data(), buffer.size(), values, error)) << error;
    return values;
}

} // namespace

TEST(DvcScript, correct_scripts_check_clean)
{
    EXPECT_EQ(Check(""), "0@0");
    EXPECT_EQ(Check("SendKeys \"{Ctrl+c}\""), "0@0");
    EXPECT_EQ(Check("' a comment\r\n\r\n  beep  \nTTSPLAYSTRING \"Hello \" + _arg1 ' trailing\rwait 250\nsendkeys _ARG2+\"x\""), "0@0");
    EXPECT_EQ(Check("SendKeys \"say \"\"hi\"\"\""), "0@0");
}

TEST(DvcScript, compile_errors_have_stable_numbers_and_lines)
{
    EXPECT_EQ(Check("Beep\nFlyAway \"x\""), "1@2 line 2: unknown command \"FlyAway\"");
    EXPECT_EQ(Check("Beep2"), "1@1 line 1: unknown command \"Beep2\"");
    EXPECT_EQ(Check("\"text\""), "1@1 line 1: unknown command \"\"text\"\"");
    EXPECT_EQ(Check("Beep\r\n\r\nSendKeys \"abc"), "2@3 line 3: missing closing quote");
    EXPECT_EQ(Check("SendKeys"), "3@1 line 1: missing argument");
    EXPECT_EQ(Check("TTSPlayString   ' nothing to say"), "3@1 line 1: missing argument");
    EXPECT_EQ(Check("SendKeys \"a\" +"), "3@1 line 1: missing text after +");
    EXPECT_EQ(Check("Wait"), "3@1 line 1: missing argument");
    EXPECT_EQ(Check("SendKeys abc"), "4@1 line 1: expected a \"text\" or _argN");
    EXPECT_EQ(Check("SendKeys \"a\" \"b\""), "4@1 line 1: unexpected text after the text");
    EXPECT_EQ(Check("Beep 3"), "4@1 line 1: unexpected text after Beep");
    EXPECT_EQ(Check("SendKeys _arg0"), "4@1 line 1: _arg needs a number from 1");
    EXPECT_EQ(Check("SendKeys _arg"), "4@1 line 1: _arg needs a number from 1");
    EXPECT_EQ(Check("SendKeys _arg1x"), "4@1 line 1: unknown name after _arg1");
    EXPECT_EQ(Check("SendKeys _arg99999999999999999999"), "4@1 line 1: _arg number too large");
    EXPECT_EQ(Check("Wait soon"), "4@1 line 1: Wait needs a number of milliseconds");
    EXPECT_EQ(Check("Wait 10 ms"), "4@1 line 1: unexpected text after the number");
    EXPECT_EQ(Check("Wait 60000\nWait 60001"), "5@2 line 2: Wait takes 0 to 60000 ms");
    // the first error counts
    EXPECT_EQ(Check("Jump\nSendKeys \"x"), "1@1 line 1: unknown command \"Jump\"");
}

TEST(DvcScript, values_unpack_exactly_as_packed)
{
    // "ab" and "xyz": 7 units used, valuesSize 16, the rest zero
    std::u16string packed = {97, 98, 0, 120, 121, 122, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Unpack(packed), (std::vector<std::string>{"ab", "xyz"}));
    // an empty value between others is kept; trailing empty ones are padding
    EXPECT_EQ(Unpack(std::u16string{'a', 0, 0, 'b', 0, 0, 0, 0}), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Unpack(std::u16string{0, 0, 0, 0}), std::vector<std::string>{});
    EXPECT_EQ(Unpack(std::u16string{0xD83D, 0xDE00, 0xE9, 0}), std::vector<std::string>{"\xF0\x9F\x98\x80\xC3\xA9"});

    std::vector<std::string> values{"stale"};
    std::string error;
    EXPECT_TRUE(qmsim::UnpackScriptValues(nullptr, 0, values, error));
    EXPECT_TRUE(values.empty());
    EXPECT_FALSE(qmsim::UnpackScriptValues(nullptr, 4, values, error));
    EXPECT_EQ(error, "values: the buffer is null but its size is 4 units");
    // the reader must stop at valuesSize: the unit after it is never looked at
    std::u16string unterminated = {'a', 'b', 0, 'c', 'd', 0};
    EXPECT_FALSE(qmsim::UnpackScriptValues(unterminated.data(), 5, values, error));
    EXPECT_EQ(error, "values: the last value is not zero-terminated within 5 units");
    EXPECT_TRUE(values.empty());
}

TEST(DvcScript, run_executes_statements_in_order_with_values)
{
    std::u16string packed = {97, 98, 0, 120, 121, 122, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::string> values = Unpack(packed);
    qmsim::ScriptRun run = qmsim::RunScript(
        "Beep\n' skip me\nSendKeys \"[\" + _arg1 + \"] \" + _Arg2\nWait 250\r\nTTSPlayString \"said \"\"\" + _arg2 + \"\"\"\"",
        values);
    EXPECT_EQ(run.errorNumber, 0u);
    EXPECT_EQ(run.errorLine, 0u);
    EXPECT_EQ(Actions(run), "Beep()@1 SendKeys([ab] xyz)@3 Wait(250)@4 TTSPlayString(said \"xyz\")@5 ");
    ASSERT_EQ(run.actions.size(), 4u);
    EXPECT_EQ(run.actions[2].milliseconds, 250u);
}

TEST(DvcScript, heard_words_are_a_text_like_any_other)
{
    EXPECT_EQ(Check("HeardWord"), "3@1 line 1: missing argument");
    EXPECT_EQ(Check("heardword stop"), "4@1 line 1: expected a \"text\" or _argN");
    qmsim::ScriptRun run = qmsim::RunScript("HEARDWORD \"Move \" + _arg1\nWait 5", {"Left"});
    EXPECT_EQ(Actions(run), "HeardWord(Move Left)@1 Wait(5)@2 ");
}

TEST(DvcScript, a_value_that_was_not_given_stops_the_run_at_its_line)
{
    qmsim::ScriptRun run = qmsim::RunScript("SendKeys _arg1\nSendKeys _arg2\nBeep\nSendKeys _arg3", {"ab", "xyz"});
    EXPECT_EQ(Actions(run), "SendKeys(ab)@1 SendKeys(xyz)@2 Beep()@3 ");
    EXPECT_EQ(run.errorNumber, 6u);
    EXPECT_EQ(run.errorLine, 4u);
    EXPECT_EQ(run.errorText, "line 4: _arg3 has no value (2 given)");

    run = qmsim::RunScript("Beep\nSendKeys _arg1", {});
    EXPECT_EQ(run.errorNumber, 6u);
    EXPECT_EQ(run.errorLine, 2u);
    EXPECT_EQ(Actions(run), "Beep()@1 ");
}

TEST(DvcScript, a_script_that_does_not_compile_runs_nothing)
{
    qmsim::ScriptRun run = qmsim::RunScript("Beep\nSendKeys \"open", {"x"});
    EXPECT_EQ(run.errorNumber, 2u);
    EXPECT_EQ(run.errorLine, 2u);
    EXPECT_EQ(run.errorText, "line 2: missing closing quote");
    EXPECT_TRUE(run.actions.empty());
}
