// Result handling of a command grammar: the phrase's timing and words, the associated
// script, and the details of the best path with the list and dictation values it carries.
#include "CommandHost.h"
#include "PhraseWords.h"

#include "../common/MessageBoxes.h"
#include "../common/TextConversion.h"
#include "../grammar/CGramObj.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr size_t kWordsLineChars = 256;  // the time-and-words line, terminator included
constexpr DWORD kBestPathBytes = 2048;   // 512 word-node identifiers
constexpr DWORD kWordRecordBytes = 140;  // header and up to 66 UTF-16 characters
constexpr size_t kDetailLineBytes = 128; // "Rule %d: %s; dwWordNum: %d\n"
constexpr size_t kArgumentBytes = 256;   // "<_arg%i = %s> "
// Bounds on what a second, larger query may ask for.
constexpr DWORD kLongestPathBytes = 1u << 20;
constexpr DWORD kLongestWordRecordBytes = 1u << 16;

// The phrase's words, one blank between them.
void AppendPhraseWords(const SRPHRASEW* phrase, std::wstring& text)
{
    bool first = true;
    ForEachPhraseWord(phrase, [&](const WCHAR* word, size_t length) {
        if (!first)
            text += L' ';
        text.append(word, length);
        first = false;
        return true;
    });
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
std::string ReadWordNode(ISRResGraphW& graph, DWORD nodeId, SRRESWORDNODE& node, DWORD& wordNumber)
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

void CommandHost::onPhraseFinish(CGramObj& grammar, DWORD flags, PSRPHRASEW phrase, IUnknown* results)
{
    bool thisGrammar = (flags & ISRNOTEFIN_RECOGNIZED) && (flags & ISRNOTEFIN_THISGRAMMAR);
    if (!results || (!thisGrammar && !grammar.loadOption1))
        return;

    endTicks = GetTickCount64();
    wchar_t timing[kWordsLineChars];
    swprintf(timing, kWordsLineChars, L"\nPhrase Start - Finish: %llu ms. Recognition Result:\n",
             endTicks - startTicks);
    std::wstring wordsLine = timing;
    wordsLine += L">> ";
    AppendPhraseWords(phrase, wordsLine);
    // A line too long for its buffer loses words at its end, not its closing marks.
    const std::wstring closing = L" <<\n";
    if (wordsLine.size() + closing.size() > kWordsLineChars - 1)
        wordsLine.resize(kWordsLineChars - 1 - closing.size());
    wordsLine += closing;
    log(NarrowText(wordsLine.data(), wordsLine.size(), CP_THREAD_ACP).c_str());

    std::string scriptMessage;
    std::string scriptToRun;
    for (const CommandScript& entry : scripts) {
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

    std::vector<DWORD> path = BestPath(*graph.Get());
    std::vector<std::string> arguments;
    std::string dictation;
    for (DWORD nodeId : path) {
        SRRESWORDNODE node = {};
        DWORD wordNumber = 0;
        std::string text = ReadWordNode(*graph.Get(), nodeId, node, wordNumber);

        char detail[kDetailLineBytes];
        if (snprintf(detail, sizeof(detail), "Rule %d: %s; dwWordNum: %d\n", static_cast<int>(node.dwRuleNumber),
                     text.c_str(), static_cast<int>(wordNumber)) >= static_cast<int>(sizeof(detail)))
            detail[sizeof(detail) - 2] = '\n'; // cut, but still a line of its own
        log(detail);

        if (wordNumber != 0)
            continue;
        if (node.dwRuleNumber == DICTATION_RULE_NUMBER) {
            dictation += text.substr(0, text.find('\\')) + " ";
        } else {
            if (!dictation.empty()) {
                arguments.push_back(dictation);
                dictation.clear();
            }
            arguments.push_back(text);
        }
    }
    if (!dictation.empty())
        arguments.push_back(dictation);

    std::vector<const char*> values;
    if (!arguments.empty()) {
        std::string lists = "Lists: ";
        for (size_t k = 0; k < arguments.size(); ++k) {
            char piece[kArgumentBytes];
            snprintf(piece, sizeof(piece), "<_arg%i = %s> ", static_cast<int>(k + 1), arguments[k].c_str());
            lists += piece;
            values.push_back(arguments[k].c_str());
        }
        log(lists.c_str());
        log("\n");
        values.push_back(nullptr);
    }
    graph.Reset();
    basic.Reset();
    // A box of this result's handling may have begun a shutdown: no script runs any more.
    if (!scriptToRun.empty() && !shuttingDown)
        handOverScript(scriptToRun, values.empty() ? nullptr : values.data());
}

void CommandHost::handOverScript(const std::string& script, const char* const* values)
{
    if (script.empty())
        return;
    if (!execScript(script.c_str(), values, script.c_str(), false))
        ShowMessageBoxW(GetForegroundWindow(), L"execScript() failed", L"Error", MB_ICONHAND);
}
