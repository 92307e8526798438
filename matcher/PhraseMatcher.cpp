#include "PhraseMatcher.h"

#include "TextConversion.h"

namespace qmsim {

// A continuation is a frame on the caller's stack: either the rest of a sequence
// or the chance of one more round of a repetition, followed by the outer one.
struct PhraseMatcher::Continuation {
    enum Kind { SequenceRest, RepeatAgain } kind;
    const MatchNode* node;
    size_t index;   // SequenceRest: next child of node to match
    size_t start;   // RepeatAgain: where the round that just ended began
    uint32_t ruleId;
    const Continuation* next;
};

namespace {

// Keeps the recursion count honest on every way out of a frame.
struct DepthGuard {
    size_t& depth;
    explicit DepthGuard(size_t& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};

} // namespace

PhraseMatcher::PhraseMatcher(const LoadedGrammar& grammar, const std::vector<std::string>& phrase, size_t& steps)
    : grammar_(grammar), phrase_(phrase), steps_(steps)
{
}

MatchOutcome PhraseMatcher::MatchRule(const GrammarRule& rule, std::vector<RecognisedWord>& words)
{
    trail_.clear();
    exhausted_ = false;
    depth_ = 0;
    char marker = 0;
    stackBase_ = reinterpret_cast<uintptr_t>(&marker);
    if (Match(rule.body, 0, rule.id, nullptr)) {
        words = trail_;
        return MatchOutcome::Matched;
    }
    return exhausted_ ? MatchOutcome::TooComplex : MatchOutcome::NoMatch;
}

size_t PhraseMatcher::StackUsed() const
{
    // Frame sizes differ widely between builds (sanitizers, optimisation), so the
    // stack is measured rather than estimated from the depth alone.
    char marker = 0;
    const uintptr_t here = reinterpret_cast<uintptr_t>(&marker);
    return here < stackBase_ ? stackBase_ - here : here - stackBase_;
}

bool PhraseMatcher::Step()
{
    if (exhausted_)
        return false;
    if (steps_ == 0 || depth_ > MaxMatchDepth || StackUsed() > MaxMatchStackBytes) {
        exhausted_ = true;
        return false;
    }
    --steps_;
    return true;
}

bool PhraseMatcher::MatchTokens(const std::vector<std::string>& tokens, size_t pos) const
{
    if (tokens.size() > phrase_.size() - pos)
        return false;
    for (size_t i = 0; i < tokens.size(); ++i)
        if (!EqualIgnoringAsciiCase(tokens[i], phrase_[pos + i]))
            return false;
    return true;
}

bool PhraseMatcher::Continue(size_t pos, const Continuation* next)
{
    DepthGuard guard(depth_);
    if (!Step())
        return false;
    if (pos > furthest_)
        furthest_ = pos;
    if (!next)
        return pos == phrase_.size(); // the whole phrase must be consumed
    if (next->kind == Continuation::SequenceRest) {
        const MatchNode& sequence = *next->node;
        if (next->index == sequence.children.size())
            return Continue(pos, next->next);
        return ContinueSequence(pos, *next);
    }
    // RepeatAgain: another round only when the last one consumed words, so that a
    // repeated part that can match nothing cannot loop.
    if (pos > next->start) {
        if (MatchRepetition(*next->node, pos, next->ruleId, next->next))
            return true;
        if (exhausted_)
            return false;
    }
    return Continue(pos, next->next);
}

bool PhraseMatcher::ContinueSequence(size_t pos, const Continuation& current)
{
    const Continuation rest{Continuation::SequenceRest, current.node, current.index + 1, 0, current.ruleId, current.next};
    return Match(current.node->children[current.index], pos, current.ruleId, &rest);
}

// Terminals live in functions of their own, so that the frames of the recursive path
// (operations and rule references) stay small.
bool PhraseMatcher::MatchWord(const GrammarWord& word, size_t pos, uint32_t ruleId, const Continuation* next)
{
    if (!MatchTokens(word.tokens, pos))
        return false;
    trail_.push_back({word.text, word.id, ruleId});
    if (Continue(pos + word.tokens.size(), next))
        return true;
    trail_.pop_back();
    return false;
}

bool PhraseMatcher::MatchList(const GrammarList& list, size_t pos, uint32_t ruleId, const Continuation* next)
{
    const size_t mark = trail_.size();
    for (size_t i : list.trialOrder) {
        const ListValue& value = list.values[i];
        if (!MatchTokens(value.tokens, pos))
            continue;
        // A list value is one word to the engine, however many words are said for it.
        trail_.push_back({value.text, 0, ruleId});
        if (Continue(pos + value.tokens.size(), next))
            return true;
        trail_.resize(mark);
        if (exhausted_ || !Step())
            return false;
    }
    return false;
}

bool PhraseMatcher::MatchDictation(size_t pos, const Continuation* next)
{
    const size_t mark = trail_.size();
    for (size_t end = pos + 1; end <= phrase_.size(); ++end) {
        trail_.push_back({phrase_[end - 1], 0, DictationRuleNumber});
        if (Continue(end, next))
            return true;
        if (exhausted_ || !Step())
            break;
    }
    trail_.resize(mark);
    return false;
}

bool PhraseMatcher::MatchSequence(const MatchNode& node, size_t pos, uint32_t ruleId, const Continuation* next)
{
    const Continuation rest{Continuation::SequenceRest, &node, 0, 0, ruleId, next};
    return Continue(pos, &rest);
}

bool PhraseMatcher::MatchRepetition(const MatchNode& node, size_t pos, uint32_t ruleId, const Continuation* next)
{
    const Continuation again{Continuation::RepeatAgain, &node, 0, pos, ruleId, next};
    return Match(node.children[0], pos, ruleId, &again);
}

bool PhraseMatcher::Match(const MatchNode& node, size_t pos, uint32_t ruleId, const Continuation* next)
{
    DepthGuard guard(depth_);
    if (!Step())
        return false;
    switch (node.kind) {
    case MatchNode::Word:
        return MatchWord(grammar_.words[node.index], pos, ruleId, next);
    case MatchNode::List:
        return MatchList(grammar_.lists[node.index], pos, ruleId, next);
    case MatchNode::Dictation:
        return MatchDictation(pos, next);
    case MatchNode::Rule: {
        const GrammarRule& rule = grammar_.rules[node.index];
        return Match(rule.body, pos, rule.id, next);
    }
    case MatchNode::Sequence:
        return MatchSequence(node, pos, ruleId, next);
    case MatchNode::Alternatives:
        for (const MatchNode& child : node.children) {
            if (Match(child, pos, ruleId, next))
                return true;
            if (exhausted_)
                return false;
        }
        return false;
    case MatchNode::Repetition:
        return MatchRepetition(node, pos, ruleId, next);
    case MatchNode::Optional:
        if (Match(node.children[0], pos, ruleId, next))
            return true;
        if (exhausted_)
            return false;
        return Continue(pos, next);
    }
    return false;
}

} // namespace qmsim
