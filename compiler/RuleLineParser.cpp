// The line level: each line holds one rule head followed by "imported" or a body.
#include "GramParser.h"

#include "BoundedText.h"
#include "CompilerMessages.h"

#include <cstdio>
#include <iterator>

namespace {
// By SyntaxErrorKind, from 1.
const char* const kSyntaxErrorHeads[] = {
    "Missing line terminator ';' in line %i:\n\n>> ",
    "Missing rule delimiter '<' in line %i:\n\n>> ",
    "Non-empty character found before rule delimiter '<' in line %i:\n\n>> ",
    "Missing rule delimiter '>' in line %i:\n\n>> ",
    "Another rule delimiter '<' found before '>' in line %i:\n\n>> ",
    "Empty rule name found in line %i:\n\n>> ",
    "Illegal (non-alphabetic or empty) character found in line %i:\n\n>> ",
    "Keyword 'imported' not followed by line terminator in line %i:\n\n>> ",
    "Keyword 'exported' not followed by '=' in line %i:\n\n>> ",
    "None of the keywords (imported, exported, =) in line %i:\n\n>> ",
};
static_assert(std::size(kSyntaxErrorHeads) == static_cast<std::size_t>(SyntaxErrorKind::NoKeyword),
              "one head for each syntax error");

const char kSyntaxErrorTail[] =
    "\n\nPress OK to skip the line and continue the parse.\n"
    "(But the grammar will likely be incomplete.)\n\n"
    "Press Cancel to break the parse and edit and the grammar.";

const char kImported[] = "imported";
const char kExported[] = "exported";

void ShowError(const char* text)
{
    ShowCompilerBox(text, "Error", kBoxOk);
}

std::string_view WithoutLeadingSpaces(std::string_view text)
{
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

bool StartsWith(std::string_view text, char c)
{
    return !text.empty() && text[0] == c;
}
} // namespace

bool GramParser::ParseRules()
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        switch (ParseLine(static_cast<int>(i + 1), lines[i])) {
        case LineOutcome::Duplicate:
            return false;
        case LineOutcome::Cancelled:
            return true;
        case LineOutcome::Done:
        case LineOutcome::Skipped:
            break;
        }
    }
    return true;
}

// Shows the syntax error's box; true when the user chose to skip the line.
bool GramParser::SyntaxError(SyntaxErrorKind error, int lineNumber, const std::string& shown)
{
    char head[128];
    std::snprintf(head, sizeof head, kSyntaxErrorHeads[static_cast<int>(error) - 1], lineNumber);
    std::string text = FitMessage(head, shown, kSyntaxErrorTail);
    return ShowCompilerBox(text.c_str(), "Syntax Error", kBoxOkCancel) == kAnswerOk;
}

GramParser::LineOutcome GramParser::ParseLine(int number, const std::string& text)
{
    // Views into the line: the body that the expression parser reads stays in lines.
    const std::string_view line = std::string_view(text).substr(0, text.find('#'));
    if (line.empty())
        return LineOutcome::Done;

    auto refuse = [&](SyntaxErrorKind error, std::string_view shown) {
        return SyntaxError(error, number, std::string(shown)) ? LineOutcome::Skipped : LineOutcome::Cancelled;
    };

    std::size_t terminator = line.find(';');
    if (terminator == std::string_view::npos || terminator != line.size() - 1)
        return refuse(SyntaxErrorKind::MissingTerminator, line);
    std::size_t open = line.find('<');
    if (open == std::string_view::npos)
        return refuse(SyntaxErrorKind::MissingOpeningDelimiter, line);
    if (line.find_first_not_of(" <") < open)
        return refuse(SyntaxErrorKind::TextBeforeOpeningDelimiter, line);
    std::size_t close = line.find('>');
    if (close == std::string_view::npos)
        return refuse(SyntaxErrorKind::MissingClosingDelimiter, line);
    if (line.find('<', open + 1) < close)
        return refuse(SyntaxErrorKind::SecondOpeningDelimiter, line);

    ruleName.assign(line.substr(open + 1, close - open - 1));
    if (ruleName.empty())
        return refuse(SyntaxErrorKind::EmptyRuleName, line);
    if (ruleName.find(' ') != std::string::npos)
        return refuse(SyntaxErrorKind::SpaceInRuleName, line);

    // A rule with a head is known already, so this adds nothing for a second head.
    const int32_t id = Intern(knownRules, m_ruleIds, nextRuleId, ruleName);
    m_ruleHeads.resize(static_cast<std::size_t>(nextRuleId)); // rule IDs run from 1 without gaps
    const RuleHead head = m_ruleHeads[static_cast<std::size_t>(id)];
    if (head == RuleHead::Defined) {
        ShowError("rulename has already been defined");
        return LineOutcome::Duplicate;
    }
    if (head == RuleHead::Imported) {
        ShowError("rulename has already been defined as imported");
        return LineOutcome::Duplicate;
    }
    currentRuleId = id;

    const std::string_view afterHead = WithoutLeadingSpaces(line.substr(close + 1));
    const std::string_view keyword = afterHead.substr(0, afterHead.find_first_of(" ;"));
    const std::string_view following = afterHead.substr(keyword.size());
    std::string_view body;
    if (keyword == kImported) {
        if (!StartsWith(WithoutLeadingSpaces(following), ';'))
            return refuse(SyntaxErrorKind::ImportedWithoutTerminator, afterHead);
        importRules.push_back({ ruleName, currentRuleId });
        m_ruleHeads[static_cast<std::size_t>(currentRuleId)] = RuleHead::Imported;
        return LineOutcome::Done;
    }
    if (keyword == kExported) {
        if (!StartsWith(WithoutLeadingSpaces(following), '='))
            return refuse(SyntaxErrorKind::ExportedWithoutEquals, afterHead);
        exportRules.push_back({ ruleName, currentRuleId });
        body = following;
    } else if (keyword == "=") {
        body = afterHead;
    } else {
        return refuse(SyntaxErrorKind::NoKeyword, afterHead);
    }

    std::size_t bodyStart = body.find_first_not_of(" =");
    rest = bodyStart == std::string_view::npos ? std::string_view() : body.substr(bodyStart);
    NextToken();
    m_body.clear();
    ParseAlternatives(m_body);
    ruleDefines.push_back({ ruleName, m_body });
    m_ruleHeads[static_cast<std::size_t>(currentRuleId)] = RuleHead::Defined;
    return LineOutcome::Done;
}
