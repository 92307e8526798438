// Result handling of a command grammar: the phrase's timing and words, the associated
// script, and the details of the best path with the list and dictation values it carries.
#include "CommandHost.h"
#include "PhraseWords.h"
#include "ResultLines.h"

#include "../common/MessageBoxes.h"
#include "../common/TextConversion.h"
#include "../grammar/CGramObj.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kBestPathBytes = 2048;   // 512 word-node identifiers
constexpr DWORD kWordRecordBytes = 140;  // header and up to 66 UTF-16 characters
// Bounds on what a second, larger query may ask for.
constexpr DWORD kLongestPathBytes = 1u << 20;
constexpr DWORD kLongestWordRecordBytes = 1u << 16;

static_assert(kDictatedWordRule == DICTATION_RULE_NUMBER, "one rule number for dictated words");

std::vector<std::wstring> PhraseWords(const SRPHRASEW* phrase)
{
    std::vector<std::wstring> words;
    ForEachPhraseWord(phrase, [&](const WCHAR* word, size_t length) {
        words.emplace_back(word, length);
        return true;
    });
    return words;
}

// The best path's word-node identifiers. A path longer than the buffer is asked for again
// with the size the engine needs, so that no word is lost; a failed answer gives no words.
std::vector<DWORD> BestPath(ISRResGraphW& graph)
{
    std::vector<DWORD> path(kBestPathBytes / sizeof(DWORD), 0);
    DWORD needed = 0;
    HRESULT hr = graph.BestPathWord(0, path.data(), kBestPathBytes, &needed);
    if (hr == DGNERR_BUFFERTOOSMALL && needed > kBestPathBytes && needed <= kLongestPathBytes) {
        path.assign(needed / sizeof(DWORD), 0);
        hr = graph.BestPathWord(0, path.data(), static_cast<DWORD>(path.size() * sizeof(DWORD)), &needed);
    }
    if (FAILED(hr))
        return std::vector<DWORD>();
    path.resize(std::min<size_t>(needed / sizeof(DWORD), path.size()));
    return path;
}

// The word of a node, narrow, with its word number. A word too long for the record buffer
// is read again into one of the size the engine names; the node's call is otherwise not
// checked, and a record it left unwritten reads as an empty word with number 0.
std::string ReadWordNode(ISRResGraphW& graph, DWORD nodeId, SRRESWORDNODE& node, uint32_t& wordNumber)
{
    std::vector<DWORD> record(kWordRecordBytes / sizeof(DWORD), 0); // DWORD-aligned for SRWORDW
    DWORD needed = 0;
    HRESULT hr = graph.GetWordNode(nodeId, &node, reinterpret_cast<PSRWORDW>(record.data()), kWordRecordBytes, &needed);
    if (hr == DGNERR_BUFFERTOOSMALL && needed > kWordRecordBytes && needed <= kLongestWordRecordBytes) {
        record.assign((needed + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        graph.GetWordNode(nodeId, &node, reinterpret_cast<PSRWORDW>(record.data()),
                          static_cast<DWORD>(record.size() * sizeof(DWORD)), &needed);
    }
    const SRWORDW* word = reinterpret_cast<const SRWORDW*>(record.data());
    const size_t maxChars = (record.size() * sizeof(DWORD) - offsetof(SRWORDW, szWord)) / sizeof(WCHAR);
    size_t length = 0;
    while (length < maxChars && word->szWord[length])
        ++length;
    wordNumber = word->dwWordNum;
    return NarrowText(word->szWord, length, CP_ACP);
}

} // namespace

void CommandHost::onPhraseFinish(CGramObj& grammar, DWORD flags, PSRPHRASEW phrase, IUnknown* results,
                                 const Busy& busy)
{
    bool thisGrammar = (flags & ISRNOTEFIN_RECOGNIZED) && (flags & ISRNOTEFIN_THISGRAMMAR);
    if (!results || (!thisGrammar && !grammar.loadOption1))
        return;

    m_endTicks = GetTickCount64();
    const std::string timing = PhraseTimingText(m_endTicks - m_startTicks);
    std::wstring wordsLine(timing.begin(), timing.end()); // ASCII
    AppendWordsLine(wordsLine, PhraseWords(phrase));
    log(NarrowText(wordsLine.data(), wordsLine.size(), CP_THREAD_ACP).c_str());

    std::string scriptMessage;
    std::string scriptToRun;
    for (const CommandScript& entry : m_scripts) {
        if (entry.number != grammar.number || entry.script.empty())
            continue;
        scriptMessage += "Associated Script: ";
        if (entry.script.find('\n') != std::string::npos)
            scriptMessage += "\n";
        scriptMessage += entry.script + "\n";
        scriptToRun += entry.script;
    }
    if (!scriptMessage.empty())
        log(scriptMessage.c_str());

    Microsoft::WRL::ComPtr<IUnknown> basic;
    if (FAILED(results->QueryInterface(IID_ISRResBasicW, reinterpret_cast<void**>(basic.GetAddressOf()))) || !basic)
        return;
    Microsoft::WRL::ComPtr<ISRResGraphW> graph;
    basic->QueryInterface(IID_ISRResGraphW, reinterpret_cast<void**>(graph.GetAddressOf()));
    if (!graph)
        throw _com_error(E_POINTER);

    std::vector<ResultWord> path;
    for (DWORD nodeId : BestPath(*graph.Get())) {
        SRRESWORDNODE node = {};
        ResultWord word;
        word.text = ReadWordNode(*graph.Get(), nodeId, node, word.wordNumber);
        word.ruleNumber = node.dwRuleNumber;
        log(WordDetailLine(word).c_str());
        path.push_back(std::move(word));
    }

    const std::vector<std::string> arguments = CollectArguments(path);
    std::vector<const char*> values;
    if (!arguments.empty()) {
        log(ListsLine(arguments).c_str());
        log("\n");
        for (const std::string& value : arguments)
            values.push_back(value.c_str());
        values.push_back(nullptr);
    }
    graph.Reset();
    basic.Reset();
    // A box of this result's handling may have begun a shutdown: no script runs any more.
    if (!scriptToRun.empty() && !m_owner.shuttingDown())
        handOverScript(scriptToRun, values.empty() ? nullptr : values.data(), busy);
}

void CommandHost::handOverScript(const std::string& script, const char* const* values, const Busy& busy)
{
    if (script.empty())
        return;
    if (!m_scriptRunner.execScript(script.c_str(), values, script.c_str(), false, busy))
        ShowMessageBoxW(GetForegroundWindow(), L"execScript() failed", L"Error", MB_ICONHAND);
}
