// The two grammar notification sinks: timing, the built-in phrases, and what happens
// once their grammar is gone.
#include "CommandHostProbe.h"
#include "BoxRecorder.h"
#include "CSRBuiltinGramNotifySink.h"
#include "ModuleController.h"
#include "ModuleLock.h"
#include "../../commands/CSRGramNotifySink.h"
#include "../../grammar/CGramObj.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

std::vector<BYTE> Phrase(const std::vector<std::wstring>& words)
{
    std::vector<BYTE> phrase(4, 0);
    for (const std::wstring& word : words) {
        DWORD size = (8 + 2 * static_cast<DWORD>(word.size() + 1) + 3) & ~3u;
        size_t at = phrase.size();
        phrase.resize(at + size, 0);
        memcpy(&phrase[at], &size, 4);
        DWORD number = 1;
        memcpy(&phrase[at + 4], &number, 4);
        memcpy(&phrase[at + 8], word.c_str(), 2 * word.size());
    }
    DWORD total = static_cast<DWORD>(phrase.size());
    memcpy(&phrase[0], &total, 4);
    return phrase;
}

TEST(CommandGrammarSink, PhraseStartTimesTheOwnersPhraseOnlyWhileTheGrammarIsThere)
{
    ModuleController controller;
    CGramObj grammar;
    grammar.init(&controller.grammarOwner);
    ComPtr<CSRGramNotifySink> sink;
    ASSERT_EQ(S_OK, CSRGramNotifySink::Create(&grammar, &controller.commands, 1, 0, sink.GetAddressOf()));
    ComPtr<IDgnGetSinkFlags> flags;
    ASSERT_EQ(S_OK, sink->QueryInterface(IID_IDgnGetSinkFlags, reinterpret_cast<void**>(flags.GetAddressOf())));
    DWORD value = 0;
    EXPECT_EQ(S_OK, flags->SinkFlagsGet(&value));
    EXPECT_EQ(0xD000u, value); // 0x5000 and the first option's 0x8000
    ULONGLONG before = GetTickCount64();
    EXPECT_EQ(S_OK, sink->PhraseStart(0));
    EXPECT_GE(controller.commands.startTicks(), before);
    EXPECT_LE(controller.commands.startTicks(), GetTickCount64());

    CommandHostProbe::setStartTicks(controller.commands, 0);
    sink->detach();
    EXPECT_EQ(S_OK, sink->PhraseStart(0));
    std::vector<BYTE> phrase = Phrase({L"Test", L"1"});
    EXPECT_EQ(S_OK, sink->PhraseFinish(3, 0, 0, reinterpret_cast<PSRPHRASEW>(phrase.data()), nullptr));
    EXPECT_EQ(0u, controller.commands.startTicks());
}

TEST(BuiltinGrammarSink, PhraseTextJoinsTheWordsAndSurvivesBrokenRecords)
{
    std::vector<BYTE> phrase = Phrase({L"Quillmoor", L"Top", L"Left"});
    EXPECT_EQ(L"Quillmoor Top Left",
              CSRBuiltinGramNotifySink::PhraseText(reinterpret_cast<const SRPHRASEW*>(phrase.data())));

    // A record claiming size 0 ends the walk instead of looping forever.
    std::vector<BYTE> broken = Phrase({L"Show", L"Quillmoor"});
    DWORD zero = 0;
    memcpy(&broken[4 + 20], &zero, 4); // "Show" takes 20 bytes
    EXPECT_EQ(L"Show", CSRBuiltinGramNotifySink::PhraseText(reinterpret_cast<const SRPHRASEW*>(broken.data())));

    // A record running past the phrase's end is not read.
    std::vector<BYTE> overlong = Phrase({L"Show"});
    DWORD huge = 4096;
    memcpy(&overlong[4], &huge, 4);
    EXPECT_EQ(L"", CSRBuiltinGramNotifySink::PhraseText(reinterpret_cast<const SRPHRASEW*>(overlong.data())));

    // Long phrases are cut to the 255 characters of the text buffer.
    std::vector<std::wstring> many(100, L"Quillmoor");
    std::vector<BYTE> longPhrase = Phrase(many);
    EXPECT_EQ(255u, CSRBuiltinGramNotifySink::PhraseText(reinterpret_cast<const SRPHRASEW*>(longPhrase.data())).size());
    EXPECT_EQ(L"", CSRBuiltinGramNotifySink::PhraseText(nullptr));
}

TEST(BuiltinGrammarSink, IgnoresResultsOfOtherGrammarsAndUnrecognisedPhrases)
{
    // A controller whose rule walk would show boxes if it ran: its built-in list holds one
    // grammar without a recogniser grammar.
    BoxRecorder boxes;
    ModuleController controller;
    CGramObj grammar;
    grammar.init(&controller.grammarOwner);
    controller.grammarOwner.linkBuiltinGrammar(&grammar);
    ComPtr<CSRBuiltinGramNotifySink> sink;
    ASSERT_EQ(S_OK, CSRBuiltinGramNotifySink::Create(&grammar, &controller, sink.GetAddressOf()));
    std::vector<BYTE> phrase = Phrase({L"Hide", L"Quillmoor"});
    PSRPHRASEW record = reinterpret_cast<PSRPHRASEW>(phrase.data());
    IUnknown* results = sink.Get(); // any object stands for the results

    EXPECT_EQ(S_OK, sink->PhraseFinish(ISRNOTEFIN_RECOGNIZED, 0, 0, record, results));
    EXPECT_EQ(S_OK, sink->PhraseFinish(ISRNOTEFIN_THISGRAMMAR, 0, 0, record, results));
    EXPECT_EQ(S_OK, sink->PhraseFinish(3, 0, 0, record, nullptr));
    std::vector<BYTE> other = Phrase({L"hide", L"quillmoor"});
    EXPECT_EQ(S_OK, sink->PhraseFinish(3, 0, 0, reinterpret_cast<PSRPHRASEW>(other.data()), results));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);

    // The matching phrase runs the walk: the grammar has no recogniser grammar, so its
    // rule change fails with the box.
    EXPECT_EQ(S_OK, sink->PhraseFinish(3, 0, 0, record, results));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"No ISRGramCommon interface!", boxes.boxes[0].text);

    sink->detach();
    EXPECT_EQ(S_OK, sink->PhraseFinish(3, 0, 0, record, results));
    EXPECT_EQ(1u, boxes.boxes.size());
    controller.grammarOwner.unlinkBuiltinGrammar(&grammar);
}

} // namespace
