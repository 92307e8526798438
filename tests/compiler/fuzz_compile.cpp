// libFuzzer target: arbitrary bytes as grammar text, with boxes answered OK and Cancel,
// with and without the dump. Checks that every text fits its buffer, that a produced
// block is well-formed and that a reused parser gives the bytes of a fresh one.
#include "CompilerMessages.h"
#include "GramParser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {
int g_syntaxAnswer = kAnswerOk;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

int AnswerBox(const char* text, const char* caption, unsigned type)
{
    Require(std::strlen(text) <= 255);
    return type == kBoxOkCancel ? g_syntaxAnswer : kAnswerOk;
}

void TakeLogLine(const char* text)
{
    Require(std::strlen(text) <= 255);
}

uint32_t U32At(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void CheckBlock(const GramParser& parser)
{
    const std::vector<unsigned char>& b = parser.packed;
    Require(b.size() >= 8 && b.size() % 4 == 0 && U32At(b, 0) == 0 && U32At(b, 4) == 0);
    std::size_t at = 8;
    while (at < b.size()) {
        Require(at + 8 <= b.size());
        at += 8 + U32At(b, at + 4);
    }
    Require(at == b.size());
    for (const auto* table : { &parser.knownRules, &parser.knownWords, &parser.knownLists }) {
        for (std::size_t i = 0; i < table->size(); ++i)
            Require((*table)[i].id == static_cast<int32_t>(i + 1));
    }
}

void CompileOnce(GramParser& parser, const std::string& text, int answer, bool dump)
{
    g_syntaxAnswer = answer;
    if (parser.Compile(text, dump))
        CheckBlock(parser);
    else
        Require(parser.packed.empty());
}

char g_dumpDir[] = "/tmp/qm-fuzz-dump-XXXXXX";

// Writing the debug copy costs more than a compilation, and its bytes are checked
// anyway; most runs let it fail on a missing folder instead.
void ChooseDumpDir()
{
    static unsigned runs = 0;
    setenv("QUILLMOOR_DUMP_DIR", runs++ % 64 == 0 ? g_dumpDir : "/nonexistent/qm-fuzz", 1);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!mkdtemp(g_dumpDir))
        std::abort();
    std::atexit([] {
        std::remove((std::string(g_dumpDir) + "/outputTest.bin").c_str());
        rmdir(g_dumpDir);
    });
    SetCompilerBoxHandler(AnswerBox);
    SetCompilerLogHandler(TakeLogLine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static GramParser reused; // as in the module: one parser for every compilation
    const std::string text(reinterpret_cast<const char*>(data), size);

    ChooseDumpDir();
    CompileOnce(reused, text, kAnswerOk, true);
    CompileOnce(reused, text, kAnswerCancel, false);
    CompileOnce(reused, text, kAnswerOk, false);

    // The result depends on the text alone, not on what the parser compiled before.
    GramParser fresh;
    CompileOnce(fresh, text, kAnswerOk, false);
    Require(fresh.packed == reused.packed);
    return 0;
}
