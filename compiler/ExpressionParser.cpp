// Rule bodies, by recursive descent:
//   alternatives = sequence { "|" sequence }
//   sequence     = repeat { repeat }
//   repeat       = factor [ "+" ]
//   factor       = word | "quoted word" | 'quoted word' | {list} | <rule>
//                | "(" alternatives ")" | "[" alternatives "]"
#include "GramParser.h"

#include "BoundedText.h"
#include "CompilerMessages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {
bool IsAsciiLetterOrDigit(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool StartsSequenceItem(const std::string& kind)
{
    static const char* const kinds[] = { "word", "dqword", "sqword", "list", "rule", "(", "[" };
    for (const char* k : kinds) {
        if (kind == k)
            return true;
    }
    return false;
}

void DropLeadingSpaces(std::string_view& text)
{
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
}

// Spaces and tabs around a name in <...> or {...} go, unless there is nothing else.
std::string_view TrimBlanks(std::string_view text)
{
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return text;
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<Element> Wrap(int32_t operation, const std::vector<std::vector<Element>>& operands)
{
    if (operands.size() == 1)
        return operands.front();
    std::vector<Element> out;
    out.push_back({ kOperationStart, operation });
    for (const std::vector<Element>& operand : operands)
        out.insert(out.end(), operand.begin(), operand.end());
    out.push_back({ kOperationEnd, operation });
    return out;
}
} // namespace

// Returns false for a character that begins no token; the kind then stays as it was.
bool GramParser::NextToken()
{
    tokenText.clear();
    DropLeadingSpaces(rest);
    const char lead = rest.empty() ? '\0' : rest[0];

    if (lead == '\0' || std::strchr("()[]|+=;", lead)) {
        tokenKind.assign(1, lead);
        if (!rest.empty())
            rest.remove_prefix(1);
    } else if (lead == '"' || lead == '\'') {
        tokenKind = lead == '"' ? "dqword" : "sqword";
        rest.remove_prefix(1);
    } else if (lead == '<' || lead == '{') {
        tokenKind = lead == '<' ? "rule" : "list";
        std::size_t close = rest.find(lead == '<' ? '>' : '}');
        if (close != std::string_view::npos) {
            tokenText.assign(TrimBlanks(rest.substr(1, close - 1)));
            rest.remove_prefix(close + 1);
        }
    } else if (IsAsciiLetterOrDigit(lead)) {
        tokenKind = "word";
        std::size_t end = rest.find_first_of(" ;");
        if (end != std::string_view::npos) {
            tokenText.assign(rest.substr(0, end));
            rest.remove_prefix(end);
        }
    } else {
        return false;
    }
    return true;
}

std::vector<Element> GramParser::ParseAlternatives()
{
    std::vector<std::vector<Element>> sequences{ ParseSequence() };
    while (tokenKind == "|") {
        NextToken();
        sequences.push_back(ParseSequence());
    }
    return Wrap(kAlternatives, sequences);
}

std::vector<Element> GramParser::ParseSequence()
{
    std::vector<std::vector<Element>> items{ ParseRepeat() };
    while (StartsSequenceItem(tokenKind))
        items.push_back(ParseRepeat());
    return Wrap(kSequence, items);
}

std::vector<Element> GramParser::ParseRepeat()
{
    std::vector<Element> factor = ParseFactor();
    if (tokenKind != "+")
        return factor;
    NextToken();
    factor.insert(factor.begin(), Element{ kOperationStart, kRepetition });
    factor.push_back(Element{ kOperationEnd, kRepetition });
    return factor;
}

std::vector<Element> GramParser::ParseFactor()
{
    if (tokenKind == "word")
        return ParseWord(tokenText);
    if (tokenKind == "dqword")
        return ParseWord(ReadQuotedWord('"', "Missing closing double quote!"));
    if (tokenKind == "sqword")
        return ParseWord(ReadQuotedWord('\'', "Missing closing single quote!"));
    if (tokenKind == "list") {
        if (tokenText.empty())
            Fail("empty list name");
        int32_t id = Intern(knownLists, m_listIds, nextListId, tokenText);
        NextToken();
        return { Element{ kListElement, id } };
    }
    if (tokenKind == "rule") {
        if (tokenText.empty())
            Fail("empty rule name");
        int32_t id = Intern(knownRules, m_ruleIds, nextRuleId, tokenText);
        NextToken();
        return { Element{ kRuleElement, id } };
    }
    if (tokenKind == "(")
        return ParseGroup(")", 0);
    if (tokenKind == "[")
        return ParseGroup("]", kOptional);
    Fail("expecting expression (word, rule, etc.)");
}

std::vector<Element> GramParser::ParseWord(const std::string& word)
{
    if (word.empty())
        Fail("empty word name");
    int32_t id = Intern(knownWords, m_wordIds, nextWordId, word);
    NextToken();
    return { Element{ kWordElement, id } };
}

// The opening quote is already gone; the word runs to the next quote of the same kind.
std::string GramParser::ReadQuotedWord(char quote, const char* missingMessage)
{
    std::size_t close = rest.find(quote);
    if (close == std::string_view::npos) {
        ShowCompilerBox(missingMessage, "Error", kBoxOk);
        Fail("empty word name");
    }
    std::string word(rest.substr(0, close));
    rest.remove_prefix(close + 1);
    DropLeadingSpaces(rest);
    return word;
}

// "(" alternatives ")" adds no operation (operation 0); "[" ... "]" makes them optional.
std::vector<Element> GramParser::ParseGroup(const char* closing, int32_t operation)
{
    // A character that begins no token would leave the opening bracket as the current
    // token and bring the parse straight back here.
    if (!NextToken())
        Fail("expecting expression (word, rule, etc.)");
    if (groupDepth >= kMaxGroupDepth) {
        char message[96];
        std::snprintf(message, sizeof message,
                      "groups nested too deeply (more than %i levels of '(' and '[')", kMaxGroupDepth);
        Fail(message);
    }
    ++groupDepth;
    std::vector<Element> inner = ParseAlternatives();
    --groupDepth;
    Expect(closing);
    if (operation == 0)
        return inner;
    inner.insert(inner.begin(), Element{ kOperationStart, operation });
    inner.push_back(Element{ kOperationEnd, operation });
    return inner;
}

bool GramParser::Expect(const char* kind)
{
    if (tokenKind == kind) {
        NextToken();
        return true;
    }
    char head[64];
    std::snprintf(head, sizeof head, "expecting '%s', but got '%s : ", kind, tokenKind.c_str());
    std::string text = FitMessage(head, tokenText, "' instead");
    ShowCompilerBox(text.c_str(), "Error", kBoxOk);
    return false;
}

void GramParser::Fail(const char* message)
{
    ShowCompilerBox(message, "Error", kBoxOk);
    throw std::invalid_argument(message);
}
