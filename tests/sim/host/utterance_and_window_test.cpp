// Utterance begin: every engine sink gets a fresh cookie and the engine waits for it to
// come back through engine control; rules bound to a window only hear while that window
// is in the foreground; the window-module query names a window's executable.
#include "EngineTestSupport.h"

using namespace simhosttest;
using namespace simtest;

namespace {

Bytes HelloGrammar() {
    Grammar g;
    g.exports = {{1, "hello"}};
    g.words = {{1, "hello"}};
    g.rules = {{1, {S(Seq), W(1), E(Seq)}}};
    return g.Pack();
}

class UtteranceBegin : public EngineFixture {
protected:
    ComPtr<IDgnSREngineControl> Control() {
        ComPtr<IDgnSREngineControl> control;
        central->QueryInterface(IID_IDgnSREngineControl, reinterpret_cast<void**>(control.GetAddressOf()));
        return control;
    }
};

TEST_F(UtteranceBegin, CookieHandedBackThroughResumeLetsTheUtteranceGoOn) {
    ResumingEngineSink* sink = new ResumingEngineSink(Control().Get());
    DWORD key = 0;
    ASSERT_EQ(S_OK, central->Register(sink, IID_IDgnSREngineNotifySinkW, &key));
    EXPECT_NE(0u, key);
    ComPtr<ISRGramCommonW> grammar;
    ASSERT_EQ(S_OK, Load(HelloGrammar(), nullptr, grammar));
    grammar->Activate(nullptr, FALSE, nullptr);

    ULONGLONG start = GetTickCount64();
    qmsim::SayResult first = engine.Say("hello");
    qmsim::SayResult second = engine.Say("hello");
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_FALSE(first.stalled);
    EXPECT_TRUE(first.recognised && second.recognised);
    ASSERT_EQ(2u, sink->cookies.size());
    EXPECT_NE(sink->cookies[0], sink->cookies[1]);
    for (auto cookie : sink->cookies) {
        EXPECT_NE(0u, cookie.first);
        EXPECT_NE(0u, cookie.second);
    }
    EXPECT_EQ((std::vector<HRESULT>{S_OK, S_OK}), sink->resumeResults);
    EXPECT_FALSE(TranscriptHas("stall"));

    // A cookie that is no longer awaited is refused.
    EXPECT_EQ(static_cast<HRESULT>(0x80040204L), Control()->Resume(sink->cookies[0].first, sink->cookies[0].second));
    EXPECT_NE(std::string::npos, ErrorDescription().find("unexpected cookie"));

    EXPECT_EQ(S_OK, central->UnRegister(key));
    EXPECT_EQ(1u, sink->refs);
    engine.Say("hello");
    EXPECT_EQ(2u, sink->cookies.size()); // no longer called
    sink->Release();
}

TEST_F(UtteranceBegin, SinkThatNeverResumesIsReportedAsAStallAndRecognitionGoesOn) {
    engine.Options().resumeTimeoutMs = 300;
    ResumingEngineSink* sink = new ResumingEngineSink(Control().Get(), false);
    DWORD key = 0;
    ASSERT_EQ(S_OK, central->Register(sink, IID_IDgnSREngineNotifySinkW, &key));
    ComPtr<ISRGramCommonW> grammar;
    ASSERT_EQ(S_OK, Load(HelloGrammar(), nullptr, grammar));
    grammar->Activate(nullptr, FALSE, nullptr);

    ULONGLONG start = GetTickCount64();
    qmsim::SayResult result = engine.Say("hello");
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_TRUE(result.stalled);
    EXPECT_TRUE(result.recognised);
    EXPECT_GE(took, 290u);
    EXPECT_LT(took, 3000u);
    EXPECT_TRUE(TranscriptHas("stall: cookie"));
    EXPECT_TRUE(TranscriptHas("not resumed within 300 ms"));
    central->UnRegister(key);
    sink->Release();
}

TEST_F(UtteranceBegin, RuleBoundToAWindowHearsOnlyWhileThatWindowIsForeground) {
    HWND first = CreateWindowW(L"STATIC", L"first", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND second = CreateWindowW(L"STATIC", L"second", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND foreground = first;
    engine.SetForegroundRule([&foreground] { return foreground; });
    ComPtr<ISRGramCommonW> grammar;
    ASSERT_EQ(S_OK, Load(HelloGrammar(), nullptr, grammar));

    ASSERT_EQ(S_OK, grammar->Activate(first, FALSE, L"hello"));
    EXPECT_EQ(first, engine.Snapshot().grammars[0].rules[0].window);
    EXPECT_TRUE(engine.Say("hello").recognised);
    foreground = second;
    EXPECT_FALSE(engine.Say("hello").recognised);

    // Activating an active rule again rebinds it.
    ASSERT_EQ(S_OK, grammar->Activate(second, FALSE, L"hello"));
    EXPECT_TRUE(engine.Say("hello").recognised);
    foreground = first;
    EXPECT_FALSE(engine.Say("hello").recognised);

    ASSERT_EQ(S_OK, grammar->Activate(nullptr, FALSE, L"hello"));
    EXPECT_TRUE(engine.Say("hello").recognised);
    foreground = second;
    EXPECT_TRUE(engine.Say("hello").recognised);
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(UtteranceBegin, CallsThatChangeNothingAreCountedOnTheNextLineAndTheHoldIsTimed) {
    HWND window = CreateWindowW(L"STATIC", L"bound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ComPtr<ISRGramCommonW> grammar;
    ASSERT_EQ(S_OK, Load(HelloGrammar(), nullptr, grammar));
    size_t before = engine.Transcript().size();
    ASSERT_EQ(S_OK, grammar->Activate(window, FALSE, L"hello"));
    ASSERT_EQ(S_OK, grammar->Activate(window, FALSE, L"hello"));   // already so: no line
    ASSERT_EQ(S_OK, grammar->Deactivate(L"hello"));
    EXPECT_EQ(static_cast<HRESULT>(0x80040202L), grammar->Deactivate(L"hello")); // still refused, no line
    EXPECT_EQ(static_cast<HRESULT>(0x80040202L), grammar->Deactivate(L"hello"));
    engine.Record("next");
    std::vector<std::string> lines = engine.Transcript();
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ((std::vector<std::string>{"grammar 1: activate rule \"hello\" for window " +
                                            std::to_string(reinterpret_cast<uintptr_t>(window)),
                                        "unchanged by 1 activate and 0 deactivate calls",
                                        "grammar 1: deactivate rule \"hello\"",
                                        "unchanged by 0 activate and 2 deactivate calls", "next"}),
              lines);

    ResumingEngineSink* sink = new ResumingEngineSink(Control().Get());
    DWORD key = 0;
    ASSERT_EQ(S_OK, central->Register(sink, IID_IDgnSREngineNotifySinkW, &key));
    qmsim::SayResult said = engine.Say("hello");
    EXPECT_GT(said.heldMs, 0.0);
    EXPECT_TRUE(TranscriptHas(", held "));
    EXPECT_GT(engine.EngineCallTime().calls, 0u);
    engine.ResetEngineCallTime();
    EXPECT_EQ(0u, engine.EngineCallTime().calls);
    central->UnRegister(key);
    sink->Release();
    DestroyWindow(window);
}

class WindowModuleQuery : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        ASSERT_EQ(S_OK, site->QueryService(SID_DgnWindowModule, IID_IDgnWindowModule,
                                           reinterpret_cast<void**>(query.GetAddressOf())));
        window = CreateWindowW(L"STATIC", L"mine", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
    }
    void TearDown() override { DestroyWindow(window); }
    ComPtr<IDgnWindowModule> query;
    HWND window = nullptr;
    wchar_t ownPath[MAX_PATH] = {};
};

TEST_F(WindowModuleQuery, NamesTheExecutableOwningTheWindow) {
    wchar_t buffer[261] = {};
    DWORD needed = 0;
    ASSERT_EQ(S_OK, query->GetWindowModule(window, buffer, 261, &needed));
    EXPECT_EQ(0, _wcsicmp(ownPath, buffer)) << Utf8(buffer);
    EXPECT_EQ(wcslen(buffer), needed);
}

TEST_F(WindowModuleQuery, TooSmallCapacityAnswersTheNeededLengthAndWritesNothing) {
    size_t length = wcslen(ownPath);
    std::vector<wchar_t> buffer(length + 8, L'#');
    DWORD needed = 0;
    EXPECT_EQ(DGNERR_BUFFERTOOSMALL, query->GetWindowModule(window, buffer.data(), static_cast<DWORD>(length), &needed));
    EXPECT_EQ(length, needed);
    EXPECT_EQ(L'#', buffer[0]);
    EXPECT_EQ(S_OK, query->GetWindowModule(window, buffer.data(), needed + 1, &needed));

    engine.Options().windowModuleTooSmall = 1; // forced once, then answered
    EXPECT_EQ(DGNERR_BUFFERTOOSMALL, query->GetWindowModule(window, buffer.data(), 261, &needed));
    EXPECT_EQ(S_OK, query->GetWindowModule(window, buffer.data(), needed + 1, &needed));
}

TEST_F(WindowModuleQuery, InjectedHookErrorsAndBadWindowsAreAnswered) {
    wchar_t buffer[261];
    DWORD needed = 0;
    for (HRESULT injected : {HOOKERR_INJECTFAILED, HOOKERR_CANNOTINJECT, E_INVALIDARG}) {
        engine.Options().windowModuleError = injected;
        EXPECT_EQ(injected, query->GetWindowModule(window, buffer, 261, &needed));
    }
    engine.Options().windowModuleError = S_OK;
    HWND gone = CreateWindowW(L"STATIC", L"gone", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(E_INVALIDARG, query->GetWindowModule(gone, buffer, 261, &needed));
    EXPECT_EQ("GetWindowModule: not a window", ErrorDescription());
}

} // namespace
