// Everything a compilation leaves behind - result, boxes, log lines, packed bytes, the
// lines read, the next IDs, the five name tables, the rule definitions and the Dump
// listing - folded into one checksum per set of texts and compared with the checksum
// that the compiler gave before its symbol tables were indexed. Any change in an ID, a
// table's order or a byte shows here.
//
// The expected checksums were computed once with the compiler of commit d3bf33c (linear
// name lookup throughout) by running this test and copying the checksums it printed.
// Only change them for a deliberate change of the compiler's output.
#include "CompilerMessages.h"
#include "GramParser.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// FNV-1a, 64 bits; lengths are folded in so that neighbouring fields cannot trade bytes.
class Checksum {
public:
    void Add(uint64_t value)
    {
        for (int i = 0; i < 8; ++i)
            AddByte(static_cast<unsigned char>(value >> (8 * i)));
    }
    void Add(const std::string& text)
    {
        Add(text.size());
        for (char c : text)
            AddByte(static_cast<unsigned char>(c));
    }
    uint64_t value() const { return m_value; }

private:
    void AddByte(unsigned char byte)
    {
        m_value ^= byte;
        m_value *= 0x100000001b3ULL;
    }
    uint64_t m_value = 0xcbf29ce484222325ULL;
};

Checksum* g_sum = nullptr;
int g_syntaxAnswer = kAnswerOk;

int RecordBox(const char* text, const char* caption, unsigned type)
{
    g_sum->Add(std::string("box"));
    g_sum->Add(std::string(caption));
    g_sum->Add(type);
    g_sum->Add(std::string(text));
    return type == kBoxOkCancel ? g_syntaxAnswer : kAnswerOk;
}

void RecordLogLine(const char* text)
{
    g_sum->Add(std::string(text));
}

void AddTable(Checksum& sum, const std::vector<NameEntry>& table)
{
    sum.Add(table.size());
    for (const NameEntry& entry : table) {
        sum.Add(entry.name);
        sum.Add(static_cast<uint64_t>(static_cast<uint32_t>(entry.id)));
    }
}

// Compiles text with parser (reused, as the module does) and folds in all it left.
void AddCompilation(Checksum& sum, GramParser& parser, const std::string& text, int syntaxAnswer)
{
    g_sum = &sum;
    g_syntaxAnswer = syntaxAnswer;
    SetCompilerBoxHandler(RecordBox);
    SetCompilerLogHandler(RecordLogLine);
    sum.Add(parser.Compile(text, false) ? 1 : 0);
    sum.Add(std::string(parser.packed.begin(), parser.packed.end()));
    sum.Add(parser.lines.size());
    for (const std::string& line : parser.lines)
        sum.Add(line);
    for (int32_t next : { parser.nextRuleId, parser.nextWordId, parser.nextListId, parser.currentRuleId })
        sum.Add(static_cast<uint64_t>(static_cast<uint32_t>(next)));
    for (const auto* table : { &parser.exportRules, &parser.knownRules, &parser.importRules,
                               &parser.knownWords, &parser.knownLists })
        AddTable(sum, *table);
    sum.Add(parser.ruleDefines.size());
    for (const RuleDefine& define : parser.ruleDefines) {
        sum.Add(define.name);
        sum.Add(define.elements.size());
        for (const Element& element : define.elements)
            sum.Add(static_cast<uint64_t>(element.type) << 32 | static_cast<uint32_t>(element.value));
    }
    parser.Dump();
    SetCompilerBoxHandler(nullptr);
    SetCompilerLogHandler(nullptr);
}

// xorshift64*: the same sequence on every platform and standard library.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint32_t Below(uint32_t bound)
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return static_cast<uint32_t>((m_state * 0x2545F4914F6CDD1DULL) >> 32) % bound;
    }
    bool OneIn(uint32_t n) { return Below(n) == 0; }

private:
    uint64_t m_state;
};

// The parts in the order written: the elements of a braced list are evaluated in order,
// the operands of + are not, and random parts must come in the same order everywhere.
std::string Join(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += part;
    return text;
}

// Random grammars: valid lines of every form, with names drawn from small pools so that
// words, lists and rules repeat and rules are referred to before and after their heads,
// and now and then a line with one character changed, which gives every kind of error.
class GrammarGenerator {
public:
    explicit GrammarGenerator(uint64_t seed) : m_random(seed) {}

    std::string Text()
    {
        std::string text;
        int lines = 1 + static_cast<int>(m_random.Below(12));
        m_rulePool = 4 + m_random.Below(40);
        for (int i = 0; i < lines; ++i) {
            std::string line = Line();
            if (m_random.OneIn(8))
                line = Mutated(line);
            text += line + (m_random.OneIn(10) ? "\r\n" : "\n");
        }
        return text;
    }

private:
    std::string Line()
    {
        switch (m_random.Below(12)) {
        case 0:
            return "# a comment; <x> = y;";
        case 1:
            return "";
        case 2:
        case 3:
            return Join({ Spaces(), "<", RuleName(), "> imported", Spaces(), ";" });
        case 4:
        case 5:
        case 6:
            return Join({ Spaces(), "<", RuleName(), "> exported ", Spaces(), "=", Spaces(), Alternatives(0), ";" });
        default:
            return Join({ Spaces(), "<", RuleName(), "> = ", Alternatives(0), ";", m_random.OneIn(6) ? "#note" : "" });
        }
    }

    std::string Mutated(std::string line)
    {
        static const char kCharacters[] = " <>;#=|+()[]{}\"'\txX-";
        std::size_t at = line.empty() ? 0 : m_random.Below(static_cast<uint32_t>(line.size()));
        char c = kCharacters[m_random.Below(sizeof kCharacters - 1)];
        switch (m_random.Below(3)) {
        case 0:
            line.insert(at, 1, c);
            break;
        case 1:
            if (!line.empty())
                line.erase(at, 1);
            break;
        default:
            if (!line.empty())
                line[at] = c;
        }
        return line;
    }

    std::string Spaces() { return std::string(m_random.OneIn(4) ? m_random.Below(3) : 0, ' '); }
    std::string RuleName() { return "r" + std::to_string(m_random.Below(m_rulePool)); }

    std::string Alternatives(int depth)
    {
        std::string text = Sequence(depth);
        while (m_random.OneIn(3))
            text += " | " + Sequence(depth);
        return text;
    }

    std::string Sequence(int depth)
    {
        std::string text = Repeat(depth);
        while (m_random.OneIn(2))
            text += " " + Repeat(depth);
        return text;
    }

    std::string Repeat(int depth) { return Join({ Factor(depth), m_random.OneIn(5) ? " +" : "" }); }

    std::string Factor(int depth)
    {
        static const char* const kWords[] = { "open", "Open", "close", "x", "X", "a+", "x|y", "caf", "Test", "1", "42" };
        uint32_t choice = m_random.Below(depth < 3 ? 9 : 6);
        switch (choice) {
        case 0:
        case 1:
        case 2:
            return kWords[m_random.Below(sizeof kWords / sizeof kWords[0])];
        case 3:
            return m_random.OneIn(2) ? "\"New York\"" : "'it''s'";
        case 4:
            return Join({ "{", m_random.OneIn(3) ? " " : "", "L", std::to_string(m_random.Below(4)), "}" });
        case 5:
            return Join({ "<", m_random.OneIn(3) ? "\t" : "", RuleName(), ">" });
        case 6:
        case 7:
            return "( " + Alternatives(depth + 1) + " )";
        default:
            return "[ " + Alternatives(depth + 1) + " ]";
        }
    }

    Random m_random;
    uint32_t m_rulePool = 4;
};

std::string Numbered(int count, const std::function<std::string(int)>& item)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += item(i);
    return text;
}

struct ChecksumCase {
    const char* name;
    std::function<void(Checksum&, GramParser&)> compile;
    uint64_t expected;
};

// Each text compiled twice, with OK and with Cancel for the syntax-error boxes.
std::function<void(Checksum&, GramParser&)> Texts(std::vector<std::string> texts)
{
    return [texts](Checksum& sum, GramParser& parser) {
        for (const std::string& text : texts) {
            AddCompilation(sum, parser, text, kAnswerOk);
            AddCompilation(sum, parser, text, kAnswerCancel);
        }
    };
}

// A generated text without syntax errors, compiled once.
std::function<void(Checksum&, GramParser&)> Text(std::string text)
{
    return [text](Checksum& sum, GramParser& parser) { AddCompilation(sum, parser, text, kAnswerOk); };
}

const std::string kLongName(300, 'n');

std::vector<ChecksumCase> Cases()
{
    return {
        { "hand-written texts",
          Texts({ "", "<builtin1> exported = Show Quillmoor;\n",
                  "<OneToTen> = {OneToTen};\r\n<dgndictation> imported;\r\n<1> exported = Test 1;\n",
                  "<r> exported = [ please ] ( open | close ) {OnOff} +;\n<d> imported;\n"
                  "<s> = \"New York\" 'it''s' <dgndictation>;\n",
                  "<a> = ( ( [ a | b ] ) c + ) = d;\n<b> = \"unterminated;\n",
                  "# comment\n<a> = x\n  <b> = y;\n<c>=x;\n<d> exported x;\n<e> imported y;\n<<f> = z;\n<> = z;\n<g h> = z;\n",
                  "<a> exported = <b>;\n<b> = y;\n<c> = <b> <a> <e>;\n<e> imported;\n",
                  "<a> = x;\n<a> = y;\n", "<a> imported;\n<a> imported;\n", "<a> = x;\n<a> imported;\n",
                  "<a> = (a);\n", "<a> = [ b;\n", "<a> = ( - x );\n", "<a> = x | ;\n", "<a> = {};\n", "<a> = <>;\n",
                  "<a> = < > {\tL } <\tb\t> x\0y;\n<b> = z;\n"s,
                  "<" + kLongName + "> = " + kLongName + " ( " + kLongName + " ;\n" }),
          0x4040cdf6f9674961ULL },
        { "random texts",
          [](Checksum& sum, GramParser& parser) {
              GrammarGenerator generator(0x5eed);
              for (int i = 0; i < 400; ++i)
                  AddCompilation(sum, parser, generator.Text(), i % 2 ? kAnswerCancel : kAnswerOk);
          },
          0xb524ef0c2d2b21efULL },
        { "the 7500 test commands",
          [](Checksum& sum, GramParser& parser) {
              for (int k = 1; k <= 7500; ++k)
                  AddCompilation(sum, parser, "<" + std::to_string(k) + "> exported = Test " + std::to_string(k) + ";\n", kAnswerOk);
          },
          0x78c8e2dceec82825ULL },
        { "one rule of many alternatives, some repeated, word IDs past 16 bits",
          Text("<r> exported = " + Numbered(70000, [](int i) {
                   return std::string(i ? " | " : "") + "w" + std::to_string(i % 66000) + (i % 3 ? "" : " +");
               }) + ";\n"),
          0x4195ed4838609465ULL },
        { "many one-word rules",
          Text(Numbered(20000, [](int i) { return "<r" + std::to_string(i) + "> = w" + std::to_string(i) + ";\n"; })),
          0x30da0bd7352fd5faULL },
        { "rules referring forward and back, imports, lists, groups and quoted words",
          Text(Numbered(3000, [](int i) {
              std::string n = std::to_string(i);
              if (i % 10 == 9)
                  return "<imp" + n + "> imported;\n";
              return "<r" + n + ">" + (i % 2 ? " exported" : "") + " = <r" + std::to_string((i * 7 + 3) % 3000) +
                     "> [ <imp" + std::to_string(i / 10 * 10 + 9) + "> ] ( \"w " + std::to_string(i % 500) + "\" | 'v" +
                     std::to_string(i % 300) + "' {L" + std::to_string(i % 40) + "} ) + <r" + std::to_string(i / 2) + ">;\n";
          })),
          0x43ddf0ab4c270ab7ULL },
        { "nested groups at and beyond the depth limit",
          Texts({ std::string("<a> = ") + std::string(100, '(') + " x" + std::string(100, ')') + ";\n",
                  std::string("<a> = ") + std::string(101, '[') + " x" + std::string(101, ']') + ";\n" }),
          0x0d89b319090eba9bULL },
    };
}

TEST(OutputChecksum, CompilationsGiveTheirRecordedOutputs)
{
    for (const ChecksumCase& c : Cases()) {
        GramParser parser;
        Checksum sum;
        c.compile(sum, parser);
        char shown[32];
        std::snprintf(shown, sizeof shown, "0x%016" PRIx64 "ULL", sum.value());
        EXPECT_EQ(sum.value(), c.expected) << c.name << ": checksum " << shown;
    }
}

} // namespace
