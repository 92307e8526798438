// The script interpreter: checks answer at once; runs answer at once and end later, from
// the message loop, with ScriptDone or ScriptError for the cookie on every action sink.
#include "EngineTestSupport.h"

using namespace simhosttest;

namespace {

class ScriptInterpreter : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        ComPtr<IUnknown> services;
        ASSERT_EQ(S_OK, site->QueryService(SID_DgnSpeechServices, IID_IDgnSpeechServicesObject,
                                           reinterpret_cast<void**>(services.GetAddressOf())));
        ASSERT_EQ(S_OK, services->QueryInterface(IID_IDgnSpeechServices, reinterpret_cast<void**>(speech.GetAddressOf())));
        ASSERT_EQ(S_OK, speech->QueryInterface(IID_IDgnSSvcInterpreter, reinterpret_cast<void**>(interpreter.GetAddressOf())));
        sink = new RecordingActionSink;
        // A module registers the same sink with both, as the controller does.
        ASSERT_EQ(S_OK, speech->Register(sink));
        ASSERT_EQ(S_OK, interpreter->Register(sink));
    }
    void TearDown() override {
        engine.ReleaseSinks();
        EXPECT_EQ(1u, sink->refs);
        sink->Release();
    }
    BSTR Text(const wchar_t* text) {
        bstrs.push_back(SysAllocString(text));
        return bstrs.back();
    }
    ~ScriptInterpreter() override {
        for (BSTR b : bstrs)
            SysFreeString(b);
    }

    ComPtr<IDgnSpeechServices> speech;
    ComPtr<IDgnSSvcInterpreter> interpreter;
    RecordingActionSink* sink = nullptr;
    std::vector<BSTR> bstrs;
};

TEST_F(ScriptInterpreter, CheckReportsErrorNumberAndLineOrZero) {
    DWORD number = 99, line = 99;
    EXPECT_EQ(S_OK, interpreter->CheckScript(Text(L"Beep\nTTSPlayString \"fine\""), &number, &line));
    EXPECT_EQ(0u, number);
    EXPECT_EQ(0u, line);
    EXPECT_EQ(S_OK, interpreter->CheckScript(Text(L"Beep\nBeep\nFrobnicate 3"), &number, &line));
    EXPECT_NE(0u, number);
    EXPECT_EQ(3u, line);
    EXPECT_EQ(E_INVALIDARG, interpreter->CheckScript(nullptr, &number, &line));
    EXPECT_EQ("CheckScript: no script", ErrorDescription());
    EXPECT_TRUE(sink->done.empty() && sink->errors.empty());
}

TEST_F(ScriptInterpreter, RunReturnsAtOnceAndEndsFromTheMessageLoopWithItsCookie) {
    DWORD number = 0, line = 0;
    EXPECT_EQ(S_OK, interpreter->RunScript(Text(L"TTSPlayString \"hi\"\nWait 60\nBeep"), &number, &line, Text(L"n"), 2));
    EXPECT_TRUE(sink->done.empty()); // not yet: the end comes later
    EXPECT_EQ(S_OK, interpreter->RunScript(Text(L"Beep"), &number, &line, Text(L"n"), 3));
    ASSERT_TRUE(PumpUntil([&] { return sink->done.size() >= 2; }));
    // The one without a wait ends while the first one waits; once per distinct sink,
    // although it registered twice.
    Pump(100);
    EXPECT_EQ((std::vector<DWORD>{3, 2}), sink->done);
    EXPECT_TRUE(sink->errors.empty());
    EXPECT_TRUE(TranscriptHas("script 2 action TTSPlayString \"hi\""));
    EXPECT_TRUE(TranscriptHas("script 2 action Wait 60"));
    EXPECT_TRUE(TranscriptHas("script 3 action Beep"));
}

TEST_F(ScriptInterpreter, ARunStartedDuringAnothersWaitEndsByItsOwnTime) {
    // Nothing holds the thread during a Wait, so the later run can end first or last.
    const struct {
        DWORD cookie;
        const wchar_t* first;
        const wchar_t* second; // started with cookie + 1 while the first waits
        bool secondEndsFirst;
    } cases[] = {
        {20, L"Wait 600\nBeep", L"Wait 50", true},
        {30, L"Wait 100", L"Beep\nWait 700\nBeep", false},
    };
    for (const auto& c : cases) {
        sink->done.clear();
        DWORD number = 0, line = 0;
        ASSERT_EQ(S_OK, interpreter->RunScript(Text(c.first), &number, &line, Text(L"n"), c.cookie));
        ASSERT_TRUE(PumpUntil([&] { return TranscriptHas("script " + std::to_string(c.cookie) + " action Wait"); }));
        ASSERT_EQ(S_OK, interpreter->RunScript(Text(c.second), &number, &line, Text(L"n"), c.cookie + 1));
        ASSERT_TRUE(PumpUntil([&] { return sink->done.size() >= 2; }));
        const std::vector<DWORD> ends = c.secondEndsFirst ? std::vector<DWORD>{c.cookie + 1, c.cookie}
                                                          : std::vector<DWORD>{c.cookie, c.cookie + 1};
        EXPECT_EQ(ends, sink->done);
    }
}

TEST_F(ScriptInterpreter, HeardWordsAreAnUtteranceFromTheMessageLoopWhileTheScriptGoesOn) {
    simtest::Grammar stop;
    stop.exports = {{1, "stop"}};
    stop.words = {{1, "stop"}};
    stop.rules = {{1, {simtest::S(simtest::Seq), simtest::W(1), simtest::E(simtest::Seq)}}};
    RecordingGrammarSink* grammarSink = new RecordingGrammarSink;
    ComPtr<ISRGramCommonW> grammar;
    ASSERT_EQ(S_OK, Load(stop.Pack(), grammarSink, grammar));
    ASSERT_EQ(S_OK, grammar->Activate(nullptr, FALSE, nullptr));
    DWORD number = 0, line = 0;
    ASSERT_EQ(S_OK, interpreter->RunScript(Text(L"HeardWord \"stop\"\nWait 300"), &number, &line, Text(L"n"), 40));
    ASSERT_TRUE(PumpUntil([&] { return grammarSink->finishes == 1; }));
    EXPECT_TRUE(sink->done.empty()); // heard during the script's Wait
    ASSERT_TRUE(PumpUntil([&] { return !sink->done.empty(); }));
    EXPECT_EQ((std::vector<DWORD>{40}), sink->done);
    EXPECT_TRUE(TranscriptHas("script 40 action HeardWord \"stop\""));
    grammar.Reset();
    grammarSink->Release();
}

TEST_F(ScriptInterpreter, ValuesAreUnpackedAsPacked) {
    // "ab" and "xyz": 7 units, valuesSize 16 with zero padding.
    WCHAR values[16] = {L'a', L'b', 0, L'x', L'y', L'z', 0};
    DWORD number = 0, line = 0;
    EXPECT_EQ(S_OK, interpreter->RunScriptWithValues(Text(L"SendKeys _arg2 + _arg1"), 16, values, &number, &line,
                                                     Text(L"n"), 7));
    Pump(200);
    EXPECT_EQ((std::vector<DWORD>{7}), sink->done);
    EXPECT_TRUE(TranscriptHas("script 7 values [\"ab\", \"xyz\"]"));
    EXPECT_TRUE(TranscriptHas("script 7 action SendKeys \"xyzab\""));
}

TEST_F(ScriptInterpreter, FailingScriptsEndWithScriptErrorForTheirCookie) {
    DWORD number = 0, line = 0;
    // A compile error is reported in the out values and still ends through the sink.
    EXPECT_EQ(S_OK, interpreter->RunScript(Text(L"Beep\nNoSuchThing"), &number, &line, Text(L"n"), 4));
    EXPECT_NE(0u, number);
    EXPECT_EQ(2u, line);
    // A value that was not given is a run-time error after the actions before it.
    WCHAR values[4] = {L'a', 0};
    EXPECT_EQ(S_OK, interpreter->RunScriptWithValues(Text(L"Beep\nSendKeys _arg2"), 4, values, &number, &line,
                                                     Text(L"n"), 5));
    Pump(200);
    EXPECT_TRUE(sink->done.empty());
    ASSERT_EQ(2u, sink->errors.size());
    EXPECT_EQ(4u, sink->errors[0].cookie);
    EXPECT_EQ(2u, sink->errors[0].line);
    EXPECT_EQ(5u, sink->errors[1].cookie);
    EXPECT_EQ(2u, sink->errors[1].line);
    EXPECT_NE(0u, sink->errors[1].number);
    EXPECT_TRUE(TranscriptHas("script 5 action Beep"));
}

} // namespace
