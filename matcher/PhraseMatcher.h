// Matches a spoken phrase against one rule of a loaded grammar: depth-first with
// backtracking, the first complete match wins. Order of trial:
//   alternatives in their order; an optional part present before absent;
//   a repetition as many times as possible first; list values with more words
//   first, then in list order;
//   dictation as few words as possible first.
// Work is bounded by a step budget and a recursion bound, so no grammar can hang
// or overflow the stack; running out of either is reported, not guessed around.
#pragma once

#include "LoadedGrammar.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qmsim {

constexpr uint32_t DictationRuleNumber = 1000000;

struct RecognisedWord {
    std::string text;        // grammar spelling, or the spoken word for dictation
    uint32_t wordNumber = 0; // the grammar's word ID; 0 for list values and dictation
    uint32_t ruleNumber = 0; // innermost rule that produced it; 1000000 for dictation
};

enum class MatchOutcome { Matched, NoMatch, TooComplex };

class PhraseMatcher {
public:
    // steps: shared budget, decremented by every step taken.
    PhraseMatcher(const LoadedGrammar& grammar, const std::vector<std::string>& phrase, size_t& steps);

    MatchOutcome MatchRule(const GrammarRule& rule, std::vector<RecognisedWord>& words);
    // The most words from the phrase's start that any rule tried so far followed.
    size_t Furthest() const { return furthest_; }

private:
    struct Continuation; // what remains to be matched after the current node

    bool Match(const MatchNode& node, size_t pos, uint32_t ruleId, const Continuation* next);
    bool Continue(size_t pos, const Continuation* next);
    bool MatchWord(const GrammarWord& word, size_t pos, uint32_t ruleId, const Continuation* next);
    bool MatchList(const GrammarList& list, size_t pos, uint32_t ruleId, const Continuation* next);
    bool MatchDictation(size_t pos, const Continuation* next);
    bool MatchSequence(const MatchNode& node, size_t pos, uint32_t ruleId, const Continuation* next);
    bool MatchRepetition(const MatchNode& node, size_t pos, uint32_t ruleId, const Continuation* next);
    bool ContinueSequence(size_t pos, const Continuation& current);
    bool MatchTokens(const std::vector<std::string>& tokens, size_t pos) const;
    bool Step();
    size_t StackUsed() const;

    const LoadedGrammar& grammar_;
    const std::vector<std::string>& phrase_;
    size_t& steps_;
    size_t depth_ = 0;
    uintptr_t stackBase_ = 0;
    bool exhausted_ = false;
    size_t furthest_ = 0;
    std::vector<RecognisedWord> trail_;
};

// Recursion bounds of the matcher: frames of Match and Continue together, and the
// stack they may take (Dragon's thread may have no more than 1 MB). AddressSanitizer
// makes frames several times larger, and its builds run on 8 MB stacks.
#if defined(__SANITIZE_ADDRESS__)
#define QM_MATCHER_STACK_SCALE 8
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_MATCHER_STACK_SCALE 8
#endif
#endif
#ifndef QM_MATCHER_STACK_SCALE
#define QM_MATCHER_STACK_SCALE 1
#endif
constexpr size_t MaxMatchDepth = 3000;
constexpr size_t MaxMatchStackBytes = 384 * 1024 * QM_MATCHER_STACK_SCALE;

} // namespace qmsim
