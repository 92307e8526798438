#include "ResultLines.h"

#include <cstdio>

namespace {
constexpr size_t kDetailLineBytes = 128;
constexpr size_t kArgumentBytes = 256;
} // namespace

std::string PhraseTimingText(unsigned long long milliseconds)
{
    char text[kWordsLineChars];
    std::snprintf(text, sizeof(text), "\nPhrase Start - Finish: %llu ms. Recognition Result:\n", milliseconds);
    return text;
}

std::string WordDetailLine(const ResultWord& word)
{
    char detail[kDetailLineBytes];
    if (std::snprintf(detail, sizeof(detail), "Rule %d: %s; dwWordNum: %d\n", static_cast<int>(word.ruleNumber),
                      word.text.c_str(), static_cast<int>(word.wordNumber)) >= static_cast<int>(sizeof(detail)))
        detail[sizeof(detail) - 2] = '\n'; // cut, but still a line of its own
    return detail;
}

std::vector<std::string> CollectArguments(const std::vector<ResultWord>& path)
{
    std::vector<std::string> arguments;
    std::string dictation;
    for (const ResultWord& word : path) {
        if (word.wordNumber != 0)
            continue;
        if (word.ruleNumber == kDictatedWordRule) {
            dictation += word.text.substr(0, word.text.find('\\')) + " ";
        } else {
            if (!dictation.empty()) {
                arguments.push_back(dictation);
                dictation.clear();
            }
            arguments.push_back(word.text);
        }
    }
    if (!dictation.empty())
        arguments.push_back(dictation);
    return arguments;
}

std::string ListsLine(const std::vector<std::string>& arguments)
{
    std::string lists = "Lists: ";
    for (size_t k = 0; k < arguments.size(); ++k) {
        char piece[kArgumentBytes];
        std::snprintf(piece, sizeof(piece), "<_arg%i = %s> ", static_cast<int>(k + 1), arguments[k].c_str());
        lists += piece;
    }
    return lists;
}
