// Compile-time figures: the 7500 one-rule texts of the largest test command set, one
// after another with one parser as the module does (best of a few repetitions), then
// single grammars of growing size - one rule of N alternative words, and N one-word
// rules - so that the growth of the time with the grammar's size shows. Then the analyses
// of qm-gramc on compiled grammars: --phrases on the largest of those grammars, and
// --conflicts on two rules of a million phrases each and on 200,000 test commands.
#include "BinaryGrammarReader.h"
#include "CompilerMessages.h"
#include "GramParser.h"
#include "PhraseListing.h"
#include "RuleConflicts.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {
int g_boxes = 0;
int g_failed = 0;

int CountBox(const char*, const char*, unsigned)
{
    ++g_boxes;
    return kAnswerOk;
}

void BenchTestCommands(GramParser& parser)
{
    const int kCommands = 7500;
    const int kRepetitions = 5;
    std::vector<std::string> texts;
    for (int k = 1; k <= kCommands; ++k)
        texts.push_back("<" + std::to_string(k) + "> exported = Test " + std::to_string(k) + ";\n");

    double best = 0;
    std::size_t bytes = 0;
    for (int rep = 0; rep < kRepetitions; ++rep) {
        bytes = 0;
        auto start = std::chrono::steady_clock::now();
        for (const std::string& text : texts) {
            if (!parser.Compile(text, false))
                ++g_failed;
            bytes += parser.packed.size();
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rep == 0 || seconds < best)
            best = seconds;
    }
    std::printf("%d compilations, best of %d runs: %.3f ms total, %.2f us per compile (%zu bytes packed)\n",
                kCommands, kRepetitions, best * 1e3, best * 1e6 / kCommands, bytes);
}

// One compilation of a generated grammar of n items (words or rules), by a parser of
// its own, so that freeing an earlier grammar is not counted.
void BenchGrammar(const char* shape, int n, const std::string& text)
{
    GramParser parser;
    auto start = std::chrono::steady_clock::now();
    if (!parser.Compile(text, false))
        ++g_failed;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-24s N = %6d: %8.3f s, %5.0f ns per item (%zu bytes packed)\n", shape, n, seconds,
                seconds * 1e9 / n, parser.packed.size());
}
BinaryGrammar Compiled(const std::string& text)
{
    GramParser parser;
    BinaryGrammar grammar;
    std::string error;
    if (!parser.Compile(text, false) || !ReadBinaryGrammar(parser.packed.data(), parser.packed.size(), grammar, error))
        ++g_failed;
    return grammar;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// --phrases with its default of 100 phrases per rule; the lines are counted, not printed.
void BenchPhrases(const char* shape, const std::string& text)
{
    BinaryGrammar grammar = Compiled(text);
    std::size_t rules = 0, phrases = 0;
    auto start = std::chrono::steady_clock::now();
    std::string error;
    if (!qmsim::ListPhrases(grammar, {}, 100, [&](const qmsim::RulePhrases& r) {
            ++rules;
            phrases += r.phrases.size();
        }, error))
        ++g_failed;
    std::printf("--phrases, %-28s %8.3f s (%zu rules, %zu phrases listed)\n", shape, SecondsSince(start), rules,
                phrases);
}

void BenchConflicts(const char* shape, const std::vector<std::string>& texts)
{
    std::vector<BinaryGrammar> grammars;
    for (const std::string& text : texts)
        grammars.push_back(Compiled(text));
    std::vector<const BinaryGrammar*> compared;
    for (const BinaryGrammar& g : grammars)
        compared.push_back(&g);
    qmsim::ConflictReport report;
    std::string error;
    auto start = std::chrono::steady_clock::now();
    if (!qmsim::FindConflicts(compared, {}, report, error))
        ++g_failed;
    std::printf("--conflicts, %-26s %8.3f s (%zu rules, %zu conflicts)\n", shape, SecondsSince(start),
                report.rules.size(), report.conflicts.size());
}

// Six slots of ten words: a million phrases; the last slot's words begin with last.
std::string MillionPhraseRule(const std::string& name, const std::string& last)
{
    std::string text = "<" + name + "> exported =";
    for (int slot = 0; slot < 6; ++slot)
        for (int w = 0; w < 10; ++w)
            text += std::string(w ? " |" : " (") + " " + (slot == 5 ? last : "s" + std::to_string(slot)) +
                    std::to_string(w) + (w == 9 ? " )" : "");
    return text + ";\n";
}

void BenchAnalyses()
{
    const int n = 200000;
    std::string oneRule = "<r> exported = w0";
    for (int i = 1; i < n; ++i)
        oneRule += " | w" + std::to_string(i);
    BenchPhrases("one rule of 200000 words:", oneRule + ";\n");
    std::string manyRules;
    for (int i = 0; i < n; ++i)
        manyRules += "<r" + std::to_string(i) + "> exported = w" + std::to_string(i) + ";\n";
    BenchPhrases("200000 one-word rules:", manyRules);
    BenchConflicts("two rules of 10^6 phrases:", {MillionPhraseRule("a", "x"), MillionPhraseRule("b", "x")});
    std::string commands;
    for (int i = 1; i <= n; ++i)
        commands += "<" + std::to_string(i) + "> exported = Test " + std::to_string(i) + ";\n";
    BenchConflicts("200000 test commands:", {commands});
}
} // namespace

int main()
{
    SetCompilerBoxHandler(CountBox);
    GramParser parser;
    BenchTestCommands(parser);
    for (int n : { 10000, 50000, 100000, 200000 }) {
        std::string text = "<r> exported = w0";
        for (int i = 1; i < n; ++i)
            text += " | w" + std::to_string(i);
        BenchGrammar("one rule of N words", n, text + ";\n");
    }
    for (int n : { 10000, 50000, 100000, 200000 }) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "<r" + std::to_string(i) + "> = w" + std::to_string(i) + ";\n";
        BenchGrammar("N one-word rules", n, text);
    }
    BenchAnalyses();
    if (g_failed || g_boxes) {
        std::printf("unexpected: %d failed compilations, %d message boxes\n", g_failed, g_boxes);
        return 1;
    }
    return 0;
}
