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

using namespace std::string_view_literals; // kinds compared as views: lengths first, no strlen

namespace {
bool IsAsciiLetterOrDigit(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool StartsSequenceItem(const std::string& kind)
{
    static const std::string_view kinds[] = { "word", "dqword", "sqword", "list", "rule", "(", "[" };
    for (std::string_view k : kinds) {
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

// Puts the elements from start on between the start and the end of operation.
void Enclose(std::vector<Element>& out, std::size_t start, int32_t operation)
{
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(start), Element{ kOperationStart, operation });
    out.push_back(Element{ kOperationEnd, operation });
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

// Each level appends its elements to out; an operation with one operand is left out.
void GramParser::ParseAlternatives(std::vector<Element>& out)
{
    const std::size_t start = out.size();
    ParseSequence(out);
    if (tokenKind != "|"sv)
        return;
    while (tokenKind == "|"sv) {
        NextToken();
        ParseSequence(out);
    }
    Enclose(out, start, kAlternatives);
}

void GramParser::ParseSequence(std::vector<Element>& out)
{
    const std::size_t start = out.size();
    ParseRepeat(out);
    if (!StartsSequenceItem(tokenKind))
        return;
    while (StartsSequenceItem(tokenKind))
        ParseRepeat(out);
    Enclose(out, start, kSequence);
}

void GramParser::ParseRepeat(std::vector<Element>& out)
{
    const std::size_t start = out.size();
    ParseFactor(out);
    if (tokenKind != "+"sv)
        return;
    NextToken();
    Enclose(out, start, kRepetition);
}

void GramParser::ParseFactor(std::vector<Element>& out)
{
    if (tokenKind == "word"sv)
        return ParseWord(tokenText, out);
    if (tokenKind == "dqword"sv)
        return ParseWord(ReadQuotedWord('"', "Missing closing double quote!"), out);
    if (tokenKind == "sqword"sv)
        return ParseWord(ReadQuotedWord('\'', "Missing closing single quote!"), out);
    if (tokenKind == "list"sv) {
        if (tokenText.empty())
            Fail("empty list name");
        out.push_back({ kListElement, Intern(knownLists, m_listIds, nextListId, tokenText) });
        NextToken();
        return;
    }
    if (tokenKind == "rule"sv) {
        if (tokenText.empty())
            Fail("empty rule name");
        out.push_back({ kRuleElement, Intern(knownRules, m_ruleIds, nextRuleId, tokenText) });
        NextToken();
        return;
    }
    if (tokenKind == "("sv)
        return ParseGroup(")", 0, out);
    if (tokenKind == "["sv)
        return ParseGroup("]", kOptional, out);
    Fail("expecting expression (word, rule, etc.)");
}

void GramParser::ParseWord(const std::string& word, std::vector<Element>& out)
{
    if (word.empty())
        Fail("empty word name");
    out.push_back({ kWordElement, Intern(knownWords, m_wordIds, nextWordId, word) });
    NextToken();
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
void GramParser::ParseGroup(const char* closing, int32_t operation, std::vector<Element>& out)
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
    const std::size_t start = out.size();
    ParseAlternatives(out);
    --groupDepth;
    Expect(closing);
    if (operation != 0)
        Enclose(out, start, operation);
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
