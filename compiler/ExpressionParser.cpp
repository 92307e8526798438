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
#include <stdexcept>

namespace {
bool IsAsciiLetterOrDigit(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool StartsSequenceItem(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Word:
    case TokenKind::DoubleQuotedWord:
    case TokenKind::SingleQuotedWord:
    case TokenKind::List:
    case TokenKind::Rule:
    case TokenKind::OpenGroup:
    case TokenKind::OpenOptional:
        return true;
    default:
        return false;
    }
}

// The kind of a one-character token, or None for a character that is not one.
TokenKind OperatorKind(char c)
{
    switch (c) {
    case '\0': return TokenKind::End;
    case '(': return TokenKind::OpenGroup;
    case ')': return TokenKind::CloseGroup;
    case '[': return TokenKind::OpenOptional;
    case ']': return TokenKind::CloseOptional;
    case '|': return TokenKind::Bar;
    case '+': return TokenKind::Plus;
    case '=': return TokenKind::Equals;
    case ';': return TokenKind::Semicolon;
    default: return TokenKind::None;
    }
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

const char* TokenKindText(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Word: return "word";
    case TokenKind::DoubleQuotedWord: return "dqword";
    case TokenKind::SingleQuotedWord: return "sqword";
    case TokenKind::Rule: return "rule";
    case TokenKind::List: return "list";
    case TokenKind::OpenGroup: return "(";
    case TokenKind::CloseGroup: return ")";
    case TokenKind::OpenOptional: return "[";
    case TokenKind::CloseOptional: return "]";
    case TokenKind::Bar: return "|";
    case TokenKind::Plus: return "+";
    case TokenKind::Equals: return "=";
    case TokenKind::Semicolon: return ";";
    case TokenKind::End: // the NUL at the end of the body, which a box shows as nothing
    case TokenKind::None:
        break;
    }
    return "";
}

// Returns false for a character that begins no token; the kind then stays as it was.
bool GramParser::NextToken()
{
    tokenText.clear();
    DropLeadingSpaces(rest);
    const char lead = rest.empty() ? '\0' : rest[0];

    if (const TokenKind kind = OperatorKind(lead); kind != TokenKind::None) {
        tokenKind = kind;
        if (!rest.empty())
            rest.remove_prefix(1);
    } else if (lead == '"' || lead == '\'') {
        tokenKind = lead == '"' ? TokenKind::DoubleQuotedWord : TokenKind::SingleQuotedWord;
        rest.remove_prefix(1);
    } else if (lead == '<' || lead == '{') {
        tokenKind = lead == '<' ? TokenKind::Rule : TokenKind::List;
        std::size_t close = rest.find(lead == '<' ? '>' : '}');
        if (close != std::string_view::npos) {
            tokenText.assign(TrimBlanks(rest.substr(1, close - 1)));
            rest.remove_prefix(close + 1);
        }
    } else if (IsAsciiLetterOrDigit(lead)) {
        tokenKind = TokenKind::Word;
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
    if (tokenKind != TokenKind::Bar)
        return;
    while (tokenKind == TokenKind::Bar) {
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
    if (tokenKind != TokenKind::Plus)
        return;
    NextToken();
    Enclose(out, start, kRepetition);
}

void GramParser::ParseFactor(std::vector<Element>& out)
{
    switch (tokenKind) {
    case TokenKind::Word:
        return ParseWord(tokenText, out);
    case TokenKind::DoubleQuotedWord:
        return ParseWord(ReadQuotedWord('"', "Missing closing double quote!"), out);
    case TokenKind::SingleQuotedWord:
        return ParseWord(ReadQuotedWord('\'', "Missing closing single quote!"), out);
    case TokenKind::List:
        if (tokenText.empty())
            Fail("empty list name");
        out.push_back({ kListElement, Intern(knownLists, m_listIds, nextListId, tokenText) });
        NextToken();
        return;
    case TokenKind::Rule:
        if (tokenText.empty())
            Fail("empty rule name");
        out.push_back({ kRuleElement, Intern(knownRules, m_ruleIds, nextRuleId, tokenText) });
        NextToken();
        return;
    case TokenKind::OpenGroup:
        return ParseGroup(TokenKind::CloseGroup, 0, out);
    case TokenKind::OpenOptional:
        return ParseGroup(TokenKind::CloseOptional, kOptional, out);
    default:
        break;
    }
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
void GramParser::ParseGroup(TokenKind closing, int32_t operation, std::vector<Element>& out)
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

bool GramParser::Expect(TokenKind kind)
{
    if (tokenKind == kind) {
        NextToken();
        return true;
    }
    char head[64];
    std::snprintf(head, sizeof head, "expecting '%s', but got '%s : ", TokenKindText(kind), TokenKindText(tokenKind));
    std::string text = FitMessage(head, tokenText, "' instead");
    ShowCompilerBox(text.c_str(), "Error", kBoxOk);
    return false;
}

void GramParser::Fail(const char* message)
{
    ShowCompilerBox(message, "Error", kBoxOk);
    throw std::invalid_argument(message);
}
