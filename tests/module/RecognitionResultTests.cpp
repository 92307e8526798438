// What a recognised command grammar writes to the message log: timing, words, the rule of
// each word and the list and dictation values, said through the simulated recogniser.
#include "BoxRecorder.h"
#include "Hold.h"
#include "DialogLog.h"
#include "ModuleController.h"
#include "GramParser.h"
#include "SimEngine.h"
#include "../../grammar/CGramObj.h"
#include "../../ui/resource.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

std::string LogOf(HWND dialog)
{
    return DialogLogText(dialog);
}

class RecognitionResultTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
        ASSERT_TRUE(controller.connectDragon(site.Get(), Hold(controller)));
        dialog = controller.dialogWindow();
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(WaitFor("\"Tools - Shut Down\""));
        SetDlgItemTextW(dialog, IDC_MESSAGE_LOG, L"");
    }
    void TearDown() override
    {
        controller.disconnectDragon(Hold(controller));
        engine.ReleaseSinks();
    }

    CGramObj* Load(const std::string& text)
    {
        EXPECT_TRUE(controller.commands.compiler()->Compile(text, false));
        CGramObj* grammar = controller.commands.loadCommandGrammar(controller.commands.compiler()->packed,
                                                                   Hold(controller));
        EXPECT_NE(nullptr, grammar);
        grammar->number = controller.commands.loadedCount();
        EXPECT_EQ(1, grammar->activate("1", nullptr));
        return grammar;
    }

    bool WaitFor(const std::string& text)
    {
        for (int i = 0; i < 150; ++i) {
            if (LogOf(dialog).find(text) != std::string::npos)
                return true;
            Sleep(20);
        }
        return false;
    }

    BoxRecorder boxes;
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ModuleController controller;
    HWND dialog = nullptr;
};

TEST_F(RecognitionResultTest, TestCommandShowsTimeWordsAndTheRuleOfEachWord)
{
    Load("<1> exported = Test 12;\n");
    ASSERT_TRUE(engine.Say("Test 12").recognised);
    ASSERT_TRUE(WaitFor(" <<\n"));
    Sleep(200); // later lines of the same result
    std::string log = LogOf(dialog);
    EXPECT_EQ(0u, log.find("\nPhrase Start - Finish: ")) << log;
    EXPECT_NE(std::string::npos, log.find(" ms. Recognition Result:\n>> Test 12 <<\nRule 1: Test; dwWordNum: "))
        << log;
    EXPECT_NE(std::string::npos, log.find("Rule 1: 12; dwWordNum: ")) << log;
    EXPECT_EQ(std::string::npos, log.find("dwWordNum: 0\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("Lists:")) << log;
    EXPECT_EQ(std::string::npos, log.find("Associated Script:")) << log;
    EXPECT_LE(controller.commands.startTicks(), controller.commands.endTicks());
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST_F(RecognitionResultTest, ListEntriesAndDictationBecomeArgumentsInSpokenOrder)
{
    CGramObj* grammar = Load("<dgndictation> imported;\n<1> exported = Switch {OnOff} <dgndictation> now;\n");
    ASSERT_EQ(1, grammar->listAppend("OnOff", "On and Off"));
    qmsim::SayResult said = engine.Say("Switch On and Off hello world now");
    ASSERT_TRUE(said.recognised) << said.failure;
    ASSERT_TRUE(WaitFor("Lists: "));
    ASSERT_TRUE(WaitFor("> \n"));
    std::string log = LogOf(dialog);
    EXPECT_NE(std::string::npos, log.find(">> Switch On and Off hello world now <<\n")) << log;
    EXPECT_NE(std::string::npos, log.find("Rule 1000000: hello; dwWordNum: 0\n")) << log;
    EXPECT_NE(std::string::npos, log.find("Lists: <_arg1 = On and Off> <_arg2 = hello world > \n")) << log;
}

TEST_F(RecognitionResultTest, AssociatedScriptIsAnnouncedForItsCommandOnly)
{
    CGramObj* grammar = Load("<1> exported = Test 1;\n");
    controller.commands.addScript(grammar->number, "SendKeys \"a\"\nBeep");
    controller.commands.addScript(grammar->number + 1, "Beep");
    controller.commands.addScript(grammar->number, "");
    ASSERT_TRUE(engine.Say("Test 1").recognised);
    ASSERT_TRUE(WaitFor("Associated Script: "));
    Sleep(200);
    std::string log = LogOf(dialog);
    EXPECT_NE(std::string::npos, log.find(" <<\nAssociated Script: \nSendKeys \"a\"\nBeep\nRule 1: ")) << log;
    EXPECT_EQ(1u, [&] {
        size_t count = 0;
        for (size_t at = log.find("Associated Script"); at != std::string::npos; at = log.find("Associated Script", at + 1))
            ++count;
        return count;
    }());
}

TEST_F(RecognitionResultTest, ResultsOfOtherGrammarsOrWithoutResultObjectWriteNothing)
{
    CGramObj* grammar = Load("<1> exported = Test 1;\n");
    std::vector<BYTE> phrase(4, 0);
    DWORD size = 4;
    memcpy(phrase.data(), &size, 4);
    IUnknown* anyObject = site.Get();
    controller.commands.onPhraseFinish(*grammar, ISRNOTEFIN_RECOGNIZED, reinterpret_cast<PSRPHRASEW>(phrase.data()),
                                       anyObject,
                              Hold(controller));
    controller.commands.onPhraseFinish(*grammar, ISRNOTEFIN_RECOGNIZED | ISRNOTEFIN_THISGRAMMAR,
                              reinterpret_cast<PSRPHRASEW>(phrase.data()), nullptr, Hold(controller));
    controller.grammarOwner.log("marker\n");
    ASSERT_TRUE(WaitFor("marker\n"));
    EXPECT_EQ("marker\n", LogOf(dialog));
}

} // namespace

namespace {

TEST_F(RecognitionResultTest, AWordLongerThanTheRecordBufferIsReadWholeAndItsLineIsCut)
{
    CGramObj* grammar = Load("<dgndictation> imported;\n<1> exported = Switch {OnOff} <dgndictation> now;\n");
    ASSERT_EQ(1, grammar->listAppend("OnOff", "On"));
    const std::string word(120, 'w'); // a record of 250 bytes, more than the 140 asked for first
    qmsim::SayResult said = engine.Say("Switch On " + word + " now");
    ASSERT_TRUE(said.recognised) << said.failure;
    ASSERT_TRUE(WaitFor("> \n"));
    std::string log = LogOf(dialog);
    EXPECT_NE(std::string::npos, log.find("Lists: <_arg1 = On> <_arg2 = " + word + " > \n")) << log;
    std::string detail = "Rule 1000000: " + word + "; dwWordNum: 0";
    detail.resize(126); // the 128-byte line keeps its line end
    EXPECT_NE(std::string::npos, log.find("\n" + detail + "\nRule ")) << log;
}

} // namespace

namespace {

TEST_F(RecognitionResultTest, ListEntriesPassWholeAndDictatedWordsStopAtTheirFirstBackslash)
{
    const struct {
        const char* grammar;
        std::vector<const char*> values; // of the list OnOff
        const char* said;
        const char* lists;
    } cases[] = {
        {"<dgndictation> imported;\n<1> exported = Switch {OnOff} <dgndictation> now;\n", {"on\\On"},
         "Switch on\\On hello\\Hello world now", "Lists: <_arg1 = on\\On> <_arg2 = hello world > \n"},
        {"<1> exported = Flip {OnOff} {OnOff};\n", {"On", "Off"}, "Flip Off On",
         "Lists: <_arg1 = Off> <_arg2 = On> \n"},
    };
    for (const auto& c : cases) {
        SetDlgItemTextW(dialog, IDC_MESSAGE_LOG, L"");
        CGramObj* grammar = Load(c.grammar);
        for (const char* value : c.values)
            ASSERT_EQ(1, grammar->listAppend("OnOff", value)) << c.said;
        qmsim::SayResult said = engine.Say(c.said);
        ASSERT_TRUE(said.recognised) << c.said << ": " << said.failure;
        ASSERT_TRUE(WaitFor("> \n")) << c.said;
        EXPECT_NE(std::string::npos, LogOf(dialog).find(c.lists)) << LogOf(dialog);
        grammar->release();
        controller.reclaim(grammar);
    }
}

} // namespace
