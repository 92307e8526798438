// Result handling of a command grammar: the phrase's timing and words, the associated
// script, and the details of the best path with the list and dictation values it carries.
#include "../grammar/CGramObj.h"

#include "PhraseWords.h"

#include "../module/ModuleController.h"
#include "../module/TextConversion.h"

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

} // namespace

void CGramObj::onPhraseFinish(DWORD flags, PSRPHRASEW phrase, IUnknown* results)
{
    bool thisGrammar = (flags & ISRNOTEFIN_RECOGNIZED) && (flags & ISRNOTEFIN_THISGRAMMAR);
    if (!results || !owner || (!thisGrammar && !loadOption1))
        return;
    ModuleController& controller = *owner;

    controller.endTicks = GetTickCount64();
    wchar_t timing[kWordsLineChars];
    swprintf(timing, kWordsLineChars, L"\nPhrase Start - Finish: %llu ms. Recognition Result:\n",
             controller.endTicks - controller.startTicks);
    std::wstring wordsLine = timing;
    wordsLine += L">> ";
    AppendPhraseWords(phrase, wordsLine);
    wordsLine += L" <<\n";
    if (wordsLine.size() > kWordsLineChars - 1)
        wordsLine.resize(kWordsLineChars - 1);
    controller.log(NarrowText(wordsLine.data(), wordsLine.size(), CP_THREAD_ACP).c_str());

    std::string scriptMessage;
    std::string scriptToRun;
    for (const CommandScript& entry : controller.scripts) {
        if (entry.number != number || entry.script.empty())
            continue;
        scriptMessage += "Associated Script: ";
        if (entry.script.find('\n') != std::string::npos)
            scriptMessage += "\n";
        scriptMessage += entry.script + "\n";
        scriptToRun += entry.script;
    }
    if (!scriptMessage.empty())
        controller.log(scriptMessage.c_str());

    Microsoft::WRL::ComPtr<IUnknown> basic;
    if (FAILED(results->QueryInterface(IID_ISRResBasicW, reinterpret_cast<void**>(basic.GetAddressOf()))) || !basic)
        return;
    Microsoft::WRL::ComPtr<ISRResGraphW> graph;
    basic->QueryInterface(IID_ISRResGraphW, reinterpret_cast<void**>(graph.GetAddressOf()));
    if (!graph)
        throw _com_error(E_POINTER);

    DWORD path[kBestPathBytes / sizeof(DWORD)] = {};
    DWORD needed = 0;
    graph->BestPathWord(0, path, kBestPathBytes, &needed);
    DWORD nodes = needed / sizeof(DWORD);
    if (nodes > kBestPathBytes / sizeof(DWORD))
        nodes = kBestPathBytes / sizeof(DWORD); // longer paths are cut

    std::vector<std::string> arguments;
    std::string dictation;
    for (DWORD i = 0; i < nodes; ++i) {
        SRRESWORDNODE node = {};
        alignas(SRWORDW) BYTE buffer[kWordRecordBytes] = {};
        DWORD wordNeeded = 0;
        graph->GetWordNode(path[i], &node, reinterpret_cast<PSRWORDW>(buffer), kWordRecordBytes, &wordNeeded);
        const SRWORDW* word = reinterpret_cast<const SRWORDW*>(buffer);
        const size_t maxChars = (kWordRecordBytes - offsetof(SRWORDW, szWord)) / sizeof(WCHAR);
        size_t length = 0;
        while (length < maxChars && word->szWord[length])
            ++length;
        std::string text = NarrowText(word->szWord, length, CP_ACP);

        char detail[kDetailLineBytes];
        snprintf(detail, sizeof(detail), "Rule %d: %s; dwWordNum: %d\n", static_cast<int>(node.dwRuleNumber),
                 text.c_str(), static_cast<int>(word->dwWordNum));
        controller.log(detail);

        if (word->dwWordNum != 0)
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

    if (!arguments.empty()) {
        std::string lists = "Lists: ";
        for (size_t k = 0; k < arguments.size(); ++k) {
            char piece[kArgumentBytes];
            snprintf(piece, sizeof(piece), "<_arg%i = %s> ", static_cast<int>(k + 1), arguments[k].c_str());
            lists += piece;
        }
        controller.log(lists.c_str());
        controller.log("\n");
    }
    // Running scriptToRun through Dragon's interpreter comes with script execution.
    (void)scriptToRun;
}
