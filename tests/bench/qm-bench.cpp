// Compile-time figures: the 7500 one-rule texts of the largest test command set, one
// after another with one parser as the module does (best of a few repetitions), then
// single grammars of growing size - one rule of N alternative words, and N one-word
// rules - so that the growth of the time with the grammar's size shows.
#include "CompilerMessages.h"
#include "GramParser.h"

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
    if (g_failed || g_boxes) {
        std::printf("unexpected: %d failed compilations, %d message boxes\n", g_failed, g_boxes);
        return 1;
    }
    return 0;
}
