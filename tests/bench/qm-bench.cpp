// Compiles the 7500 one-rule texts of the largest test command set, one after another
// with one parser as the module does, and prints the best of a few repetitions.
#include "CompilerMessages.h"
#include "GramParser.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {
int g_boxes = 0;

int CountBox(const char*, const char*, unsigned)
{
    ++g_boxes;
    return kAnswerOk;
}
} // namespace

int main()
{
    const int kCommands = 7500;
    const int kRepetitions = 5;
    std::vector<std::string> texts;
    for (int k = 1; k <= kCommands; ++k)
        texts.push_back("<" + std::to_string(k) + "> exported = Test " + std::to_string(k) + ";\n");

    SetCompilerBoxHandler(CountBox);
    GramParser parser;
    double best = 0;
    std::size_t bytes = 0;
    int failed = 0;
    for (int rep = 0; rep < kRepetitions; ++rep) {
        bytes = 0;
        auto start = std::chrono::steady_clock::now();
        for (const std::string& text : texts) {
            if (!parser.Compile(text, false))
                ++failed;
            bytes += parser.packed.size();
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rep == 0 || seconds < best)
            best = seconds;
    }
    std::printf("%d compilations, best of %d runs: %.3f ms total, %.2f us per compile (%zu bytes packed)\n",
                kCommands, kRepetitions, best * 1e3, best * 1e6 / kCommands, bytes);
    if (failed || g_boxes) {
        std::printf("unexpected: %d failed compilations, %d message boxes\n", failed, g_boxes);
        return 1;
    }
    return 0;
}
