#include "Recogniser.h"

#include "TextConversion.h"
#include "WordRecords.h"

#include <algorithm>
#include <cstdio>

namespace qmsim {

namespace {

std::string Quoted(const std::string& text)
{
    const size_t limit = 80;
    if (text.size() <= limit)
        return "\"" + text + "\"";
    return "\"" + text.substr(0, limit) + "...\"";
}

std::string Joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : " ") + w;
    return text;
}

} // namespace

LoadedGrammar* Recogniser::Find(uint32_t handle)
{
    auto it = grammars_.find(handle);
    return it == grammars_.end() ? nullptr : &it->second;
}

EngineStatus Recogniser::Load(const void* data, size_t size, uint32_t& handle, std::string& error)
{
    handle = 0;
    BinaryGrammar binary;
    if (!ReadBinaryGrammar(data, size, binary, error) || !ValidateBinaryGrammar(binary, error))
        return EngineStatus::BadGrammar;
    handle = nextHandle_++;
    grammars_.emplace(handle, LoadedGrammar::FromBinary(binary, handle));
    error.clear();
    return EngineStatus::Ok;
}

EngineStatus Recogniser::Unload(uint32_t handle)
{
    return grammars_.erase(handle) ? EngineStatus::Ok : EngineStatus::NoSuchGrammar;
}

EngineStatus Recogniser::Activate(uint32_t handle, const std::string* rule, uintptr_t window, std::string& error,
                                  bool* changed)
{
    error.clear();
    bool anyChange = false;
    auto apply = [&](GrammarRule& r) {
        anyChange = anyChange || !r.active || r.window != window;
        r.active = true;
        r.window = window;
    };
    if (changed)
        *changed = false;
    LoadedGrammar* g = Find(handle);
    if (!g) {
        error = "no grammar is loaded with handle " + std::to_string(handle);
        return EngineStatus::NoSuchGrammar;
    }
    if (rule) {
        GrammarRule* r = g->FindExportedRule(*rule);
        if (!r) {
            error = "the grammar has no exported rule named " + Quoted(*rule);
            return EngineStatus::NoSuchRule;
        }
        apply(*r);
        if (changed)
            *changed = anyChange;
        return EngineStatus::Ok;
    }
    bool any = false;
    for (GrammarRule& r : g->rules)
        if (r.exported) {
            apply(r);
            any = true;
        }
    if (!any) {
        error = "the grammar has no exported rule to activate";
        return EngineStatus::NoSuchRule;
    }
    if (changed)
        *changed = anyChange;
    return EngineStatus::Ok;
}

EngineStatus Recogniser::Deactivate(uint32_t handle, const std::string* rule, std::string& error)
{
    error.clear();
    LoadedGrammar* g = Find(handle);
    if (!g) {
        error = "no grammar is loaded with handle " + std::to_string(handle);
        return EngineStatus::NoSuchGrammar;
    }
    if (!rule) {
        for (GrammarRule& r : g->rules) {
            r.active = false;
            r.window = 0;
        }
        return EngineStatus::Ok;
    }
    GrammarRule* r = g->FindExportedRule(*rule);
    if (!r) {
        error = "the grammar has no exported rule named " + Quoted(*rule);
        return EngineStatus::NoSuchRule;
    }
    if (!r->active) {
        error = "rule " + Quoted(*rule) + " is not active";
        return EngineStatus::RuleNotActive;
    }
    r->active = false;
    r->window = 0;
    return EngineStatus::Ok;
}

EngineStatus Recogniser::FillList(uint32_t handle, const std::string& list, const void* data, size_t size,
                                  bool replace, std::string& error)
{
    error.clear();
    LoadedGrammar* g = Find(handle);
    if (!g) {
        error = "no grammar is loaded with handle " + std::to_string(handle);
        return EngineStatus::NoSuchGrammar;
    }
    GrammarList* l = g->FindList(list);
    if (!l) {
        error = "the grammar has no list named " + Quoted(list);
        return EngineStatus::NoSuchList;
    }
    std::vector<WordRecord> records;
    if (!ParseWordRecords(data, size, records, error))
        return EngineStatus::BadWordRecords;
    if (replace)
        l->Clear();
    for (WordRecord& record : records) {
        ListValue value;
        value.wordNumber = record.wordNumber;
        value.tokens = SplitWords(record.text);
        value.text = std::move(record.text);
        l->Add(std::move(value));
    }
    return EngineStatus::Ok;
}

EngineStatus Recogniser::ListSet(uint32_t handle, const std::string& list, const void* data, size_t size,
                                 std::string& error)
{
    return FillList(handle, list, data, size, true, error);
}

EngineStatus Recogniser::ListAppend(uint32_t handle, const std::string& list, const void* data, size_t size,
                                    std::string& error)
{
    return FillList(handle, list, data, size, false, error);
}

Recognition Recogniser::Recognise(const std::string& phrase, uintptr_t foregroundWindow) const
{
    return Recognise(SplitWords(phrase), foregroundWindow);
}

Recognition Recogniser::Recognise(const std::vector<std::string>& spoken, uintptr_t foregroundWindow) const
{
    Recognition result;
    // Callers may pass words that still hold spaces; the matcher works on single words.
    std::vector<std::string> words;
    for (const std::string& w : spoken)
        for (std::string& part : SplitWords(w))
            words.push_back(std::move(part));

    if (words.empty()) {
        result.failure = RecognitionFailure::NoWords;
        result.error = "no words";
        return result;
    }
    if (words.size() > MaxPhraseWords) {
        result.failure = RecognitionFailure::TooManyWords;
        result.error = "too many words: " + std::to_string(words.size()) + " (at most " +
                       std::to_string(MaxPhraseWords) + ")";
        return result;
    }

    size_t steps = RecognitionStepBudget;
    bool anyActive = false;
    for (const auto& entry : grammars_) {
        const LoadedGrammar& g = entry.second;
        PhraseMatcher matcher(g, words, steps);
        for (const GrammarRule& rule : g.rules) {
            if (!rule.exported || !rule.active || (rule.window != 0 && rule.window != foregroundWindow))
                continue;
            anyActive = true;
            std::vector<RecognisedWord> recognised;
            MatchOutcome outcome = matcher.MatchRule(rule, recognised);
            if (outcome == MatchOutcome::Matched) {
                result.failure = RecognitionFailure::None;
                result.grammar = g.handle;
                result.ruleId = rule.id;
                result.ruleName = rule.name;
                result.words = std::move(recognised);
                return result;
            }
            result.wordsFollowed = std::max(result.wordsFollowed, matcher.Furthest());
            if (outcome == MatchOutcome::TooComplex) {
                result.failure = RecognitionFailure::TooComplex;
                result.error = "too complex: matching " + Quoted(Joined(words)) + " against rule " +
                               Quoted(rule.name) + " of grammar " + std::to_string(g.handle) +
                               " ran out of steps or depth";
                return result;
            }
        }
    }
    if (!anyActive) {
        result.failure = RecognitionFailure::NoActiveRules;
        result.error = "no active rules";
        return result;
    }
    result.failure = RecognitionFailure::NoParse;
    result.error = "no parse: " + Quoted(Joined(words));
    return result;
}

std::vector<uint32_t> Recogniser::Grammars() const
{
    std::vector<uint32_t> handles;
    for (const auto& entry : grammars_)
        handles.push_back(entry.first);
    return handles;
}

std::vector<RuleStatus> Recogniser::Rules(uint32_t handle) const
{
    std::vector<RuleStatus> rules;
    auto it = grammars_.find(handle);
    if (it != grammars_.end())
        for (const GrammarRule& r : it->second.rules)
            if (r.exported)
                rules.push_back({r.name, r.id, r.active, r.window});
    return rules;
}

std::vector<ListStatus> Recogniser::Lists(uint32_t handle) const
{
    std::vector<ListStatus> lists;
    auto it = grammars_.find(handle);
    if (it != grammars_.end())
        for (const GrammarList& l : it->second.lists) {
            ListStatus status{l.name, {}};
            for (const ListValue& v : l.values)
                status.values.push_back(v.text);
            lists.push_back(std::move(status));
        }
    return lists;
}

} // namespace qmsim
