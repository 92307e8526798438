// Shared helpers of the matcher tests: loading hand-built grammars and showing results
// as one comparable line.
#pragma once

#include "GrammarBytes.h"
#include "Recogniser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace simtest {

// "text/wordNumber/ruleNumber" for each word, separated by single spaces.
inline std::string Describe(const std::vector<qmsim::RecognisedWord>& words)
{
    std::string text;
    for (const qmsim::RecognisedWord& w : words) {
        if (!text.empty())
            text += ' ';
        text += w.text + "/" + std::to_string(w.wordNumber) + "/" + std::to_string(w.ruleNumber);
    }
    return text;
}

inline uint32_t LoadOrFail(qmsim::Recogniser& engine, const Grammar& grammar)
{
    Bytes b = grammar.Pack();
    uint32_t handle = 0;
    std::string error;
    EXPECT_EQ(engine.Load(b.data(), b.size(), handle, error), qmsim::EngineStatus::Ok) << error;
    return handle;
}

inline Bytes Records(const std::vector<std::u16string>& words)
{
    Bytes block;
    for (const std::u16string& w : words) {
        Bytes r = WordRecord(w);
        block.insert(block.end(), r.begin(), r.end());
    }
    return block;
}

inline void SetList(qmsim::Recogniser& engine, uint32_t handle, const std::string& list,
                    const std::vector<std::u16string>& words)
{
    Bytes block = Records(words);
    std::string error;
    EXPECT_EQ(engine.ListSet(handle, list, block.data(), block.size(), error), qmsim::EngineStatus::Ok) << error;
}

inline void ActivateAll(qmsim::Recogniser& engine, uint32_t handle, uintptr_t window = 0)
{
    std::string error;
    EXPECT_EQ(engine.Activate(handle, nullptr, window, error), qmsim::EngineStatus::Ok) << error;
}

// Recognises globally and returns the words, or "failed: <error>".
inline std::string Say(const qmsim::Recogniser& engine, const std::string& phrase, uintptr_t foreground = 0)
{
    qmsim::Recognition r = engine.Recognise(phrase, foreground);
    if (!r.recognised())
        return "failed: " + r.error;
    return Describe(r.words);
}

} // namespace simtest
