// Every refusal of the engine's COM layer fails with an HRESULT and leaves an error
// object whose description says what was wrong, as the module's "COM Error" box shows it.
#include "EngineTestSupport.h"
#include "BinaryGrammar.h"

using namespace simhosttest;
using namespace simtest;

namespace {

Grammar OneRule() {
    Grammar g;
    g.exports = {{1, "hello"}};
    g.lists = {{1, "Colour"}};
    g.words = {{1, "hello"}, {2, "world"}};
    g.rules = {{1, {S(Seq), W(1), W(2), E(Seq)}}};
    return g;
}

// What the portable reader and checker say about a block: the text GrammarLoad must report.
std::string CoreVerdict(const Bytes& bytes) {
    qmsim::BinaryGrammar g;
    std::string error;
    if (!qmsim::ReadBinaryGrammar(bytes.data(), bytes.size(), g, error))
        return error;
    if (!qmsim::ValidateBinaryGrammar(g, error))
        return error;
    return std::string();
}

class GrammarRefusals : public EngineFixture {};

TEST_F(GrammarRefusals, LoadRefusesBadBlocksWithTheReadersReason) {
    Bytes good = OneRule().Pack();
    std::vector<Bytes> bad = {
        Bytes(good.begin(), good.begin() + 13),                     // cut inside a chunk header
        Concat({Header(1, 0), Bytes(good.begin() + 8, good.end())}), // not a CFG block
        Concat({good, Chunk(9, Bytes(4, 0))}),                      // unknown chunk
        [] { Grammar g = OneRule(); g.rules[0].elements.push_back(W(7)); return g.Pack(); }(), // unknown word
        [] { Grammar g = OneRule(); g.rules[0].elements.pop_back(); return g.Pack(); }(),      // unclosed sequence
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        std::string expected = CoreVerdict(bad[i]);
        ASSERT_FALSE(expected.empty()) << "case " << i << " should be refused by the core";
        ComPtr<ISRGramCommonW> grammar;
        HRESULT hr = Load(bad[i], nullptr, grammar);
        EXPECT_TRUE(FAILED(hr)) << "case " << i;
        EXPECT_EQ(expected, ErrorDescription()) << "case " << i;
        EXPECT_FALSE(grammar);
    }
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
}

TEST_F(GrammarRefusals, LoadRefusesWrongFormatEmptyDataAndMissingOutPointer) {
    Bytes good = OneRule().Pack();
    SDATA data = {good.data(), static_cast<DWORD>(good.size())};
    ComPtr<IUnknown> grammar;
    EXPECT_EQ(E_INVALIDARG, central->GrammarLoad(static_cast<SRGRMFMT>(1), data, nullptr, IID_ISRGramNotifySinkW,
                                                 grammar.GetAddressOf()));
    EXPECT_EQ("GrammarLoad: unsupported grammar format 1 (only 0, CFG)", ErrorDescription());
    SDATA empty = {good.data(), 0};
    EXPECT_EQ(E_INVALIDARG, central->GrammarLoad(SRGRMFMT_CFG, empty, nullptr, IID_ISRGramNotifySinkW,
                                                 grammar.GetAddressOf()));
    EXPECT_EQ("GrammarLoad: the grammar data is empty", ErrorDescription());
    EXPECT_EQ(E_POINTER, central->GrammarLoad(SRGRMFMT_CFG, data, nullptr, IID_ISRGramNotifySinkW, nullptr));
    EXPECT_EQ("GrammarLoad: no out pointer for the grammar", ErrorDescription());
}

TEST_F(GrammarRefusals, LoadRefusesASinkThatIsNoGrammarSink) {
    RecordingActionSink* notASink = new RecordingActionSink;
    ComPtr<ISRGramCommonW> grammar;
    EXPECT_EQ(E_NOINTERFACE, Load(OneRule().Pack(), reinterpret_cast<ISRGramNotifySinkW*>(notASink), grammar));
    EXPECT_EQ("GrammarLoad: the notification sink is not an ISRGramNotifySinkW", ErrorDescription());
    EXPECT_EQ(1u, notASink->refs); // not kept
    notASink->Release();
}

TEST_F(GrammarRefusals, InjectedLoadFailureIsReturnedWithADescription) {
    engine.Options().grammarLoadError = E_OUTOFMEMORY;
    ComPtr<ISRGramCommonW> grammar;
    EXPECT_EQ(E_OUTOFMEMORY, Load(OneRule().Pack(), nullptr, grammar));
    EXPECT_EQ("GrammarLoad: refused by test setting", ErrorDescription());
}

TEST_F(GrammarRefusals, InjectedActivateFailureLeavesTheRuleInactiveUntilLifted) {
    ComPtr<ISRGramCommonW> grammar;
    ASSERT_EQ(S_OK, Load(OneRule().Pack(), nullptr, grammar));
    engine.Options().activateError = E_FAIL;
    EXPECT_EQ(E_FAIL, grammar->Activate(nullptr, FALSE, L"hello"));
    EXPECT_NE(std::string::npos, ErrorDescription().find("answered 0x80004005 (injected)"));
    EXPECT_FALSE(engine.Snapshot().grammars[0].rules[0].active);
    // A window that does not exist is still the caller's fault first.
    HWND gone = CreateWindowW(L"STATIC", L"gone", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(E_INVALIDARG, grammar->Activate(gone, FALSE, L"hello"));

    engine.Options().activateError = S_OK;
    EXPECT_EQ(S_OK, grammar->Activate(nullptr, FALSE, L"hello"));
    EXPECT_TRUE(engine.Snapshot().grammars[0].rules[0].active);
}

TEST_F(GrammarRefusals, ActivateAndListRefusalsNameTheProblem) {
    ComPtr<ISRGramCommonW> grammar;
    ASSERT_EQ(S_OK, Load(OneRule().Pack(), nullptr, grammar));

    HRESULT hr = grammar->Activate(nullptr, FALSE, L"nosuch");
    EXPECT_TRUE(FAILED(hr));
    std::string description = ErrorDescription();
    EXPECT_EQ(0u, description.find("Activate: ")) << description;
    EXPECT_NE(std::string::npos, description.find("nosuch")) << description;

    HWND gone = CreateWindowW(L"STATIC", L"gone", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(E_INVALIDARG, grammar->Activate(gone, FALSE, L"hello"));
    EXPECT_NE(std::string::npos, ErrorDescription().find("does not exist"));

    ComPtr<ISRGramCFGW> cfg;
    ASSERT_EQ(S_OK, grammar->QueryInterface(IID_ISRGramCFGW, reinterpret_cast<void**>(cfg.GetAddressOf())));
    Bytes record = WordRecord(u"red");
    SDATA words = {record.data(), static_cast<DWORD>(record.size())};
    EXPECT_TRUE(FAILED(cfg->ListSet(L"NoList", words)));
    description = ErrorDescription();
    EXPECT_EQ(0u, description.find("ListSet: ")) << description;
    EXPECT_NE(std::string::npos, description.find("NoList")) << description;

    Bytes broken = record;
    broken[0] = 200; // record size beyond the block
    SDATA brokenWords = {broken.data(), static_cast<DWORD>(broken.size())};
    EXPECT_TRUE(FAILED(cfg->ListAppend(L"Colour", brokenWords)));
    EXPECT_EQ(0u, ErrorDescription().find("ListAppend: "));
    EXPECT_EQ(E_INVALIDARG, cfg->ListAppend(nullptr, words));
    EXPECT_EQ("ListAppend: no list name", ErrorDescription());
    // Nothing reached the list.
    EXPECT_TRUE(engine.Snapshot().grammars[0].lists[0].words.empty());
}

TEST_F(GrammarRefusals, RegisterRefusesWhatIsNoEngineSinkAndUnknownKeys) {
    RecordingActionSink* notASink = new RecordingActionSink;
    DWORD key = 77;
    EXPECT_EQ(E_NOINTERFACE, central->Register(notASink, IID_IDgnSREngineNotifySinkW, &key));
    EXPECT_EQ(0u, key);
    EXPECT_EQ("Register: the sink is not an IDgnSREngineNotifySinkW", ErrorDescription());
    notASink->Release();
    EXPECT_EQ(E_INVALIDARG, central->UnRegister(12345));
    EXPECT_EQ("UnRegister: no sink is registered with key 12345", ErrorDescription());
}

TEST(SiteServices, SiteWithoutCentralAnswersOnlyTheOtherServices) {
    ComScope com;
    qmsim::EngineOptions options;
    options.provideCentral = false;
    qmsim::Engine engine(options);
    ComPtr<IServiceProvider> site;
    ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
    ComPtr<IUnknown> object;
    EXPECT_TRUE(FAILED(site->QueryService(SID_DgnCentral, IID_ISRCentralW, reinterpret_cast<void**>(object.GetAddressOf()))));
    EXPECT_FALSE(object);
    EXPECT_EQ(S_OK, site->QueryService(SID_DgnWindowModule, IID_IDgnWindowModule, reinterpret_cast<void**>(object.GetAddressOf())));
    EXPECT_EQ(E_NOINTERFACE, site->QueryService(IID_IUnknown, IID_IUnknown, reinterpret_cast<void**>(object.ReleaseAndGetAddressOf())));
}

TEST(SiteServices, ServicesAnswerTheInterfacesAModuleAcquires) {
    ComScope com;
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
    ComPtr<IUnknown> central, control, extra, services, speech, interpreter;
    ASSERT_EQ(S_OK, site->QueryService(SID_DgnCentral, IID_ISRCentralW, reinterpret_cast<void**>(central.GetAddressOf())));
    EXPECT_EQ(S_OK, central->QueryInterface(IID_IDgnSREngineControl, reinterpret_cast<void**>(control.GetAddressOf())));
    EXPECT_EQ(S_OK, central->QueryInterface(IID_IDgnEngineExtra, reinterpret_cast<void**>(extra.GetAddressOf())));
    ASSERT_EQ(S_OK, site->QueryService(SID_DgnSpeechServices, IID_IDgnSpeechServicesObject,
                                       reinterpret_cast<void**>(services.GetAddressOf())));
    EXPECT_EQ(S_OK, services->QueryInterface(IID_IDgnSpeechServices, reinterpret_cast<void**>(speech.GetAddressOf())));
    EXPECT_EQ(S_OK, speech->QueryInterface(IID_IDgnSSvcInterpreter, reinterpret_cast<void**>(interpreter.GetAddressOf())));
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, central->QueryInterface(IID_ISRGramCommonW, reinterpret_cast<void**>(none.GetAddressOf())));
}

} // namespace
