// What the result handling of a command grammar writes to the message log for a recognised
// phrase, and the values that a custom command's script gets from it. Portable: the module
// feeds it from Dragon's result objects, qm-gramc --try from the matcher, so both write the
// same lines. Texts are narrow, in the ANSI code page, except the words line, which the
// module builds wide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Rule number of a word of free dictation.
constexpr uint32_t kDictatedWordRule = 1000000;

// The time-and-words line holds at most this many characters, terminator included.
constexpr size_t kWordsLineChars = 256;

// One word of the best path: the rule that produced it, its text and its word number
// (0 for list entries and dictated words).
struct ResultWord {
    uint32_t ruleNumber = 0;
    std::string text;
    uint32_t wordNumber = 0;
};

// "\nPhrase Start - Finish: N ms. Recognition Result:\n"
std::string PhraseTimingText(unsigned long long milliseconds);

// Appends ">> ", the words with one blank between them, and " <<\n" to line (which holds
// the timing text). A line longer than its buffer loses words at its end, not its closing
// marks.
template <class Char>
void AppendWordsLine(std::basic_string<Char>& line, const std::vector<std::basic_string<Char>>& words)
{
    const auto ascii = [](const char* text) {
        std::basic_string<Char> converted;
        for (; *text; ++text)
            converted += static_cast<Char>(*text);
        return converted;
    };
    line += ascii(">> ");
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            line += static_cast<Char>(' ');
        line += words[i];
    }
    const std::basic_string<Char> closing = ascii(" <<\n");
    if (line.size() + closing.size() > kWordsLineChars - 1)
        line.resize(kWordsLineChars - 1 - closing.size());
    line += closing;
}

// "Rule %d: %s; dwWordNum: %d\n", cut to its 128-byte buffer but still ending the line.
std::string WordDetailLine(const ResultWord& word);

// The script's values, in spoken order: each list entry whole; each run of dictated words
// as one value, every word up to its first backslash and followed by one blank. Words with
// a word number (the grammar's own words) give none.
std::vector<std::string> CollectArguments(const std::vector<ResultWord>& path);

// "Lists: " and "<_arg%i = %s> " for each value, each piece cut to 256 bytes. The module
// ends the line with a separate "\n".
std::string ListsLine(const std::vector<std::string>& arguments);
