// What the engine hands a grammar's sink for a recognised phrase: PhraseStart, then
// PhraseFinish with flags 0x3, the phrase in grammar spellings, and a results object whose
// word nodes carry the rule number at byte 60 and the word number in the word record.
#include "EngineTestSupport.h"

using namespace simhosttest;
using namespace simtest;

namespace {

// <paint> exported = paint [the] (wall | door) {Colour} <polite>;
// <polite> = very+ please;
// <note> exported = note <dgndictation>;   <dgndictation> imported;
Bytes EveryElementKind() {
    Grammar g;
    g.exports = {{1, "paint"}, {4, "note"}};
    g.imports = {{3, "dgndictation"}};
    g.lists = {{1, "Colour"}};
    g.words = {{1, "paint"}, {2, "the"}, {3, "wall"}, {4, "door"}, {5, "please"}, {6, "very"}, {8, "note"}};
    g.rules = {
        {1, {S(Seq), W(1), S(Opt), W(2), E(Opt), S(Alt), W(3), W(4), E(Alt), L(1), R(2), E(Seq)}},
        {2, {S(Seq), S(Rep), W(6), E(Rep), W(5), E(Seq)}},
        {4, {S(Seq), W(8), R(3), E(Seq)}},
    };
    return g.Pack();
}

struct Expected {
    std::string text;
    DWORD rule;
    DWORD word;
};

class RecognitionResults : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        engine.SetForegroundRule([] { return static_cast<HWND>(nullptr); });
        sink = new RecordingGrammarSink;
        ASSERT_EQ(S_OK, Load(EveryElementKind(), sink, grammar));
        ASSERT_EQ(S_OK, grammar->Activate(nullptr, FALSE, nullptr));
        ComPtr<ISRGramCFGW> cfg;
        ASSERT_EQ(S_OK, grammar->QueryInterface(IID_ISRGramCFGW, reinterpret_cast<void**>(cfg.GetAddressOf())));
        Bytes words = Concat({WordRecord(u"red"), WordRecord(u"dark green")});
        SDATA data = {words.data(), static_cast<DWORD>(words.size())};
        ASSERT_EQ(S_OK, cfg->ListSet(L"Colour", data));
    }
    void TearDown() override {
        grammar.Reset();
        sink->Release();
    }

    void ExpectNodes(const std::vector<Expected>& expected) {
        std::string seen;
        for (const WordNodeSeen& node : sink->nodes)
            seen += node.text + "(" + std::to_string(node.ruleNumber) + "," + std::to_string(node.wordNumber) + ") ";
        ASSERT_EQ(expected.size(), sink->nodes.size()) << seen;
        ASSERT_EQ(expected.size(), sink->phraseWords.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(expected[i].text, sink->nodes[i].text) << "word " << i;
            EXPECT_EQ(expected[i].rule, sink->nodes[i].ruleNumber) << "word " << i;
            EXPECT_EQ(expected[i].word, sink->nodes[i].wordNumber) << "word " << i;
            EXPECT_EQ(expected[i].text, sink->phraseWords[i]) << "phrase word " << i;
            EXPECT_EQ(expected[i].word, sink->phraseWordNumbers[i]) << "phrase word " << i;
        }
    }

    RecordingGrammarSink* sink = nullptr;
    ComPtr<ISRGramCommonW> grammar;
};

TEST_F(RecognitionResults, WordsOptionalAlternativeListAndRepeatedSubruleGiveTheirNodes) {
    qmsim::SayResult result = engine.Say("paint the door red very very please");
    ASSERT_TRUE(result.recognised) << result.failure;
    EXPECT_EQ(1, sink->starts);
    EXPECT_EQ(1, sink->finishes);
    EXPECT_EQ(ISRNOTEFIN_RECOGNIZED | ISRNOTEFIN_THISGRAMMAR, sink->flags);
    ExpectNodes({{"paint", 1, 1}, {"the", 1, 2}, {"door", 1, 4}, {"red", 1, 0},
                 {"very", 2, 6}, {"very", 2, 6}, {"please", 2, 5}});
    // Node ids are distinct and in spoken order.
    for (size_t i = 1; i < sink->path.size(); ++i)
        EXPECT_GT(sink->path[i], sink->path[i - 1]);
}

// The module passes a list entry on as one argument, so a value of several words must
// arrive as one word node.
TEST_F(RecognitionResults, ListValueOfSeveralWordsIsOneWordNode) {
    ASSERT_TRUE(engine.Say("paint wall dark green very please").recognised);
    ExpectNodes({{"paint", 1, 1}, {"wall", 1, 3}, {"dark green", 1, 0}, {"very", 2, 6}, {"please", 2, 5}});
}

TEST_F(RecognitionResults, ListSetWithAnEmptyBlockEmptiesTheListAndListAppendAddsOneValue) {
    ComPtr<ISRGramCFGW> cfg;
    ASSERT_EQ(S_OK, grammar->QueryInterface(IID_ISRGramCFGW, reinterpret_cast<void**>(cfg.GetAddressOf())));
    BYTE nothing[4] = {};
    SDATA empty = {nothing, 0};
    ASSERT_EQ(S_OK, cfg->ListSet(L"Colour", empty));
    EXPECT_TRUE(engine.Snapshot().grammars[0].lists[0].words.empty());
    EXPECT_FALSE(engine.Say("paint wall red very please").recognised);

    Bytes blue = WordRecord(u"blue");
    SDATA one = {blue.data(), static_cast<DWORD>(blue.size())};
    ASSERT_EQ(S_OK, cfg->ListAppend(L"Colour", one));
    EXPECT_EQ((std::vector<std::string>{"blue"}), engine.Snapshot().grammars[0].lists[0].words);
    EXPECT_TRUE(engine.Say("paint wall blue very please").recognised);
}

TEST_F(RecognitionResults, OptionalPartMayBeLeftOutAndTheOtherAlternativeTaken) {
    ASSERT_TRUE(engine.Say("paint wall red very please").recognised);
    ExpectNodes({{"paint", 1, 1}, {"wall", 1, 3}, {"red", 1, 0}, {"very", 2, 6}, {"please", 2, 5}});
}

TEST_F(RecognitionResults, DictatedWordsCarryTheDictationRuleNumberAndNoWordNumber) {
    ASSERT_TRUE(engine.Say("note buy more milk").recognised);
    ExpectNodes({{"note", 4, 8}, {"buy", DICTATION_RULE_NUMBER, 0}, {"more", DICTATION_RULE_NUMBER, 0},
                 {"milk", DICTATION_RULE_NUMBER, 0}});
}

TEST_F(RecognitionResults, WordRecordSizeCountsHeaderTextTerminatorAndPadding) {
    ASSERT_TRUE(engine.Say("note hi there").recognised);
    EXPECT_EQ(16u, sink->nodes[1].recordSize); // 8 + 2 * 3 = 14, padded to 16
    EXPECT_EQ(20u, sink->nodes[2].recordSize); // 8 + 2 * 6 = 20
}

TEST_F(RecognitionResults, ResultsObjectAnswersSizesWithoutOverrunning) {
    ASSERT_TRUE(engine.Say("paint the wall red very please").recognised);
    ComPtr<ISRResGraphW> graph;
    ASSERT_EQ(S_OK, sink->lastResults->QueryInterface(IID_ISRResGraphW, reinterpret_cast<void**>(graph.GetAddressOf())));
    DWORD needed = 0;
    DWORD path[2] = {};
    EXPECT_EQ(DGNERR_BUFFERTOOSMALL, graph->BestPathWord(0, path, sizeof path, &needed));
    EXPECT_EQ(6u * 4, needed);

    // "please" needs 8 + 2 * 7 = 22, padded to 24 bytes.
    SRRESWORDNODE node = {};
    BYTE record[32];
    memset(record, 0xAB, sizeof record);
    EXPECT_EQ(DGNERR_BUFFERTOOSMALL, graph->GetWordNode(sink->path[5], &node, reinterpret_cast<SRWORDW*>(record), 20, &needed));
    EXPECT_EQ(24u, needed);
    for (BYTE b : record)
        EXPECT_EQ(0xAB, b); // nothing written
    EXPECT_EQ(2u, node.dwRuleNumber); // the node itself is still filled
    EXPECT_EQ(S_OK, graph->GetWordNode(sink->path[5], &node, reinterpret_cast<SRWORDW*>(record), 24, &needed));
    EXPECT_EQ(0xAB, record[24]);
    EXPECT_EQ(24u, reinterpret_cast<SRWORDW*>(record)->dwSize);
    EXPECT_EQ(E_INVALIDARG, graph->GetWordNode(sink->path[5] + 1, &node, reinterpret_cast<SRWORDW*>(record), 24, &needed));

    ComPtr<ISRResBasicW> basic;
    ASSERT_EQ(S_OK, sink->lastResults->QueryInterface(IID_ISRResBasicW, reinterpret_cast<void**>(basic.GetAddressOf())));
    EXPECT_EQ(DGNERR_BUFFERTOOSMALL, basic->PhraseGet(0, nullptr, 0, &needed));
    std::vector<BYTE> phrase(needed);
    EXPECT_EQ(S_OK, basic->PhraseGet(0, reinterpret_cast<SRPHRASEW*>(phrase.data()), needed, &needed));
    EXPECT_EQ(needed, reinterpret_cast<SRPHRASEW*>(phrase.data())->dwSize);
}

TEST_F(RecognitionResults, UnmatchedPhrasesAreReportedAndNoSinkIsCalled) {
    qmsim::SayResult result = engine.Say("paint the ceiling red very please");
    EXPECT_FALSE(result.recognised);
    EXPECT_FALSE(result.failure.empty());
    EXPECT_EQ(0, sink->finishes);
    EXPECT_TRUE(TranscriptHas("not recognised \"paint the ceiling red very please\": "));

    ASSERT_EQ(S_OK, grammar->Deactivate(nullptr));
    result = engine.Say("paint wall red very please");
    EXPECT_FALSE(result.recognised);
    EXPECT_EQ(0, sink->finishes);
}

TEST_F(RecognitionResults, OnlyTheWinningGrammarsSinkHearsThePhrase) {
    Grammar other;
    other.exports = {{1, "stop"}};
    other.words = {{1, "stop"}};
    other.rules = {{1, {S(Seq), W(1), E(Seq)}}};
    RecordingGrammarSink* otherSink = new RecordingGrammarSink;
    ComPtr<ISRGramCommonW> otherGrammar;
    ASSERT_EQ(S_OK, Load(other.Pack(), otherSink, otherGrammar));
    ASSERT_EQ(S_OK, otherGrammar->Activate(nullptr, FALSE, L"stop"));

    qmsim::SayResult result = engine.Say("stop");
    ASSERT_TRUE(result.recognised);
    EXPECT_EQ(1, otherSink->finishes);
    EXPECT_EQ(0, sink->finishes);
    EXPECT_EQ(0, sink->starts);
    otherGrammar.Reset();
    otherSink->Release();
}

TEST_F(RecognitionResults, LastReleaseUnloadsTheGrammarAndDropsItsSink) {
    ULONG before = sink->refs;
    EXPECT_GT(before, 1u); // the engine holds the sink
    grammar.Reset();
    EXPECT_EQ(1u, sink->refs);
    EXPECT_TRUE(engine.Snapshot().grammars.empty());
    EXPECT_FALSE(engine.Say("paint wall red very please").recognised);
}

} // namespace
