// The grammar compiler: turns "SAPI4 syntax" text (one rule per line) into a binary
// context-free grammar in `packed`. One object serves many compilations; each starts
// from an empty state and its results stay readable until the next Compile.
#pragma once

#include "BinaryGrammarFormat.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The edit control that Log writes into, as the compiler sees it: an opaque window handle
// (an HWND converts to it), written to by CompilerMessages.
using LogWindowHandle = void*;

// The kinds of token that NextToken reads. End is the NUL at the end of a body; None is the
// kind before the first token of a compilation. TokenKindText gives each one's name, as the
// "expecting" box shows it.
enum class TokenKind : unsigned char {
    None, End, Word, DoubleQuotedWord, SingleQuotedWord, Rule, List,
    OpenGroup, CloseGroup, OpenOptional, CloseOptional, Bar, Plus, Equals, Semicolon,
};
const char* TokenKindText(TokenKind kind);

// The syntax errors of a rule line, numbered as their boxes are.
enum class SyntaxErrorKind {
    MissingTerminator = 1,
    MissingOpeningDelimiter,
    TextBeforeOpeningDelimiter,
    MissingClosingDelimiter,
    SecondOpeningDelimiter,
    EmptyRuleName,
    SpaceInRuleName,
    ImportedWithoutTerminator,
    ExportedWithoutEquals,
    NoKeyword,
};

// A name with its numeric ID; tables keep these in order of insertion.
struct NameEntry {
    std::string name;
    int32_t id = 0;
};

// Name to ID: an index beside a table of NameEntry.
using NameIds = std::unordered_map<std::string, int32_t>;

// One element of a rule body: a word, rule or list reference, or the start or end of an
// operation (see ElementType and Operation).
struct Element {
    int32_t type = 0;
    int32_t value = 0;
};

// A rule with a body, as the packer writes it.
struct RuleDefine {
    std::string name;
    std::vector<Element> elements;
};

class GramParser {
public:
    LogWindowHandle logWindow = nullptr; // edit control receiving Log output; none by default
    std::string ruleName;              // head of the rule being parsed
    TokenKind tokenKind = TokenKind::None; // the current token's kind
    std::string tokenText;
    std::string_view rest;             // unread remainder of the rule body, in lines
    int32_t currentRuleId = 0;
    int32_t nextRuleId = 0;
    int32_t nextWordId = 0;
    int32_t nextListId = 0;
    std::vector<std::string> lines;
    std::vector<RuleDefine> ruleDefines;
    std::vector<unsigned char> packed;
    std::vector<NameEntry> exportRules;
    std::vector<NameEntry> knownRules;
    std::vector<NameEntry> importRules;
    std::vector<NameEntry> knownWords;
    std::vector<NameEntry> knownLists;

    // Groups deeper than this end the parse with an error box instead of exhausting
    // the caller's stack (Dragon's thread has a small one).
    static constexpr int kMaxGroupDepth = 100;

    // Not re-entrant: a box shown by a compilation may run a message loop that asks for
    // another one, which fails at once and leaves the running one's state alone.
    bool Compile(std::string text, bool dump);
    bool compiling() const { return m_compiling; }
    void GetLines(const std::string& text);
    bool ParseRules();
    void Reset();
    void Log(const char* text);

    bool NextToken();
    void ParseAlternatives(std::vector<Element>& out);
    void ParseSequence(std::vector<Element>& out);
    void ParseRepeat(std::vector<Element>& out);
    void ParseFactor(std::vector<Element>& out);
    bool Expect(TokenKind kind);
    void Dump();

    void Pack(bool dump);
    void WriteNameChunk(uint32_t chunkId, const std::vector<NameEntry>& entries);
    void WriteRulesChunk(uint32_t chunkId, const std::vector<RuleDefine>& defines);

private:
    enum class LineOutcome { Done, Skipped, Cancelled, Duplicate };
    LineOutcome ParseLine(int number, const std::string& text);
    bool SyntaxError(SyntaxErrorKind error, int lineNumber, const std::string& shown);

    void ParseWord(const std::string& word, std::vector<Element>& out);
    void ParseGroup(TokenKind closing, int32_t operation, std::vector<Element>& out);
    std::string ReadQuotedWord(char quote, const char* missingMessage);
    [[noreturn]] void Fail(const char* message);

    enum class RuleHead : unsigned char { None, Defined, Imported };

    static int32_t Find(const std::vector<NameEntry>& table, const NameIds& ids, const std::string& name);
    static int32_t Intern(std::vector<NameEntry>& table, NameIds& ids, int32_t& nextId, const std::string& name);
    int32_t RuleId(const std::string& name) const;

    int groupDepth = 0;
    bool m_compiling = false;
    // Name to ID beside knownRules, knownWords and knownLists, whose order the output
    // follows, so that a name is found without walking a long table (see Find).
    NameIds m_ruleIds;
    NameIds m_wordIds;
    NameIds m_listIds;
    std::vector<RuleHead> m_ruleHeads; // by rule ID: what a second head for it is refused as
    std::vector<Element> m_body;       // the rule body being parsed; its buffer serves the next rule too
};

// Linear lookup by exact name; returns the entry's ID or 0 when the name is absent.
int32_t FindName(const std::vector<NameEntry>& table, const std::string& name);
