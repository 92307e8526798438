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
    Pump(300);
    // In order although the first one waits (and pumps) in the middle; once per distinct
    // sink, although it registered twice.
    EXPECT_EQ((std::vector<DWORD>{2, 3}), sink->done);
    EXPECT_TRUE(sink->errors.empty());
    EXPECT_TRUE(TranscriptHas("script 2 action TTSPlayString \"hi\""));
    EXPECT_TRUE(TranscriptHas("script 2 action Wait 60"));
    EXPECT_TRUE(TranscriptHas("script 3 action Beep"));
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
