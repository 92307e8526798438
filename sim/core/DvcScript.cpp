#include "DvcScript.h"

#include "TextConversion.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace qmsim {

namespace {

struct Term {
    bool isValue = false;
    std::string literal; // when !isValue
    uint32_t value = 0;  // _argN: N
};

struct Statement {
    ScriptAction::Kind kind = ScriptAction::Beep;
    uint32_t line = 0;
    std::vector<Term> terms; // TTSPlayString, SendKeys, HeardWord
    uint32_t milliseconds = 0;
};

struct LineParser {
    const std::string& text;
    size_t at = 0;
    ScriptCheck& check;
    uint32_t line;

    bool Fail(ScriptError number, const std::string& what)
    {
        check.errorNumber = number;
        check.errorLine = line;
        check.errorText = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    void SkipBlanks()
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    }

    bool AtEnd()
    {
        SkipBlanks();
        return at == text.size() || text[at] == '\'';
    }

    bool ExpectEnd(const char* after)
    {
        if (AtEnd())
            return true;
        return Fail(ScriptBadArgument, std::string("unexpected text after ") + after);
    }

    bool Literal(std::string& out)
    {
        ++at; // opening quote
        for (;;) {
            if (at == text.size())
                return Fail(ScriptMissingQuote, "missing closing quote");
            if (text[at] == '"') {
                if (at + 1 < text.size() && text[at + 1] == '"') { // "" stands for one quote
                    out += '"';
                    at += 2;
                    continue;
                }
                ++at;
                return true;
            }
            out += text[at++];
        }
    }

    bool ValueReference(uint32_t& n)
    {
        static const char prefix[] = "_arg";
        std::string head = text.substr(at, 4);
        if (!EqualIgnoringAsciiCase(head, prefix))
            return Fail(ScriptBadArgument, "expected a \"text\" or _argN");
        at += 4;
        const size_t digits = at;
        uint64_t number = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            number = number * 10 + uint64_t(text[at] - '0');
            if (number > 1000000)
                return Fail(ScriptBadArgument, "_arg number too large");
            ++at;
        }
        if (at == digits || number == 0)
            return Fail(ScriptBadArgument, "_arg needs a number from 1");
        if (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))
            return Fail(ScriptBadArgument, "unknown name after _arg" + std::to_string(number));
        n = uint32_t(number);
        return true;
    }

    // text := term { "+" term }
    bool Text(std::vector<Term>& terms)
    {
        SkipBlanks();
        if (AtEnd())
            return Fail(ScriptMissingArgument, "missing argument");
        for (;;) {
            SkipBlanks();
            Term term;
            if (at < text.size() && text[at] == '"') {
                if (!Literal(term.literal))
                    return false;
            } else {
                if (at == text.size() || text[at] == '\'')
                    return Fail(ScriptMissingArgument, "missing text after +");
                if (!ValueReference(term.value))
                    return false;
                term.isValue = true;
            }
            terms.push_back(std::move(term));
            SkipBlanks();
            if (at < text.size() && text[at] == '+') {
                ++at;
                continue;
            }
            return ExpectEnd("the text");
        }
    }

    bool Milliseconds(uint32_t& ms)
    {
        if (AtEnd())
            return Fail(ScriptMissingArgument, "missing argument");
        const size_t digits = at;
        uint64_t number = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            number = number * 10 + uint64_t(text[at] - '0');
            if (number > MaxWaitMilliseconds)
                return Fail(ScriptOutOfRange, "Wait takes 0 to " + std::to_string(MaxWaitMilliseconds) + " ms");
            ++at;
        }
        if (at == digits)
            return Fail(ScriptBadArgument, "Wait needs a number of milliseconds");
        ms = uint32_t(number);
        return ExpectEnd("the number");
    }

    // Returns false on an error; statement.line stays 0 for blank and comment lines.
    bool Parse(Statement& statement)
    {
        if (AtEnd())
            return true;
        const size_t start = at;
        while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])))
            ++at;
        const std::string keyword = text.substr(start, at - start);
        if (keyword.empty() || (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))) {
            while (at < text.size() && text[at] != ' ' && text[at] != '\t')
                ++at;
            return Fail(ScriptUnknownCommand, "unknown command \"" + text.substr(start, std::min<size_t>(at - start, 40)) + "\"");
        }
        statement.line = line;
        if (EqualIgnoringAsciiCase(keyword, "Beep")) {
            statement.kind = ScriptAction::Beep;
            return ExpectEnd("Beep");
        }
        if (EqualIgnoringAsciiCase(keyword, "TTSPlayString")) {
            statement.kind = ScriptAction::TTSPlayString;
            return Text(statement.terms);
        }
        if (EqualIgnoringAsciiCase(keyword, "SendKeys")) {
            statement.kind = ScriptAction::SendKeys;
            return Text(statement.terms);
        }
        if (EqualIgnoringAsciiCase(keyword, "HeardWord")) {
            statement.kind = ScriptAction::HeardWord;
            return Text(statement.terms);
        }
        if (EqualIgnoringAsciiCase(keyword, "Wait")) {
            statement.kind = ScriptAction::Wait;
            return Milliseconds(statement.milliseconds);
        }
        statement.line = 0;
        return Fail(ScriptUnknownCommand, "unknown command \"" + keyword.substr(0, 40) + "\"");
    }
};

// Splits at CR LF, LF or CR; stops at the first error.
ScriptCheck Compile(const std::string& script, std::vector<Statement>& statements)
{
    ScriptCheck check;
    size_t at = 0;
    uint32_t line = 1;
    while (at <= script.size()) {
        size_t end = script.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = script.size();
        const std::string text = script.substr(at, end - at);
        LineParser parser{text, 0, check, line};
        Statement statement;
        if (!parser.Parse(statement))
            return check;
        if (statement.line != 0)
            statements.push_back(std::move(statement));
        if (end == script.size())
            break;
        at = end + (script.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++line;
    }
    return check;
}

} // namespace

const char* ActionName(ScriptAction::Kind kind)
{
    switch (kind) {
    case ScriptAction::Beep: return "Beep";
    case ScriptAction::TTSPlayString: return "TTSPlayString";
    case ScriptAction::Wait: return "Wait";
    case ScriptAction::SendKeys: return "SendKeys";
    case ScriptAction::HeardWord: return "HeardWord";
    }
    return "unknown";
}

ScriptCheck CheckScript(const std::string& script)
{
    std::vector<Statement> statements;
    return Compile(script, statements);
}

ScriptRun RunScript(const std::string& script, const std::vector<std::string>& values)
{
    ScriptRun run;
    std::vector<Statement> statements;
    ScriptCheck check = Compile(script, statements);
    if (check.errorNumber != ScriptOk) {
        run.errorNumber = check.errorNumber;
        run.errorLine = check.errorLine;
        run.errorText = check.errorText;
        return run;
    }
    for (const Statement& statement : statements) {
        ScriptAction action;
        action.kind = statement.kind;
        action.line = statement.line;
        for (const Term& term : statement.terms) {
            if (!term.isValue) {
                action.text += term.literal;
                continue;
            }
            if (term.value > values.size()) {
                run.errorNumber = ScriptValueNotSet;
                run.errorLine = statement.line;
                run.errorText = "line " + std::to_string(statement.line) + ": _arg" + std::to_string(term.value) +
                                " has no value (" + std::to_string(values.size()) + " given)";
                return run;
            }
            action.text += values[term.value - 1];
        }
        if (statement.kind == ScriptAction::Wait) {
            action.milliseconds = statement.milliseconds;
            action.text = std::to_string(statement.milliseconds);
        }
        run.actions.push_back(std::move(action));
    }
    return run;
}

} // namespace qmsim
