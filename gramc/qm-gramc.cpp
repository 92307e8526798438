// qm-gramc: compiles a grammar text file to the binary grammar format, lists a binary
// grammar, or tries phrases against a grammar. Message boxes become lines on stderr, log
// lines and the lines of tried phrases go to stdout.
#include "CompilerMessages.h"
#include "EscapedText.h"
#include "GramParser.h"
#include "GramcOptions.h"
#include "GrammarListing.h"
#include "PhraseTrial.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {
bool g_cancelSyntaxErrors = false;

int AnswerBox(const char* text, const char* caption, unsigned type)
{
    std::fprintf(stderr, "[%s] %s\n", EscapeControlBytes(caption).c_str(), EscapeControlBytes(text).c_str());
    std::fflush(stderr);
    if (g_cancelSyntaxErrors && type == kBoxOkCancel && std::strcmp(caption, "Syntax Error") == 0)
        return kAnswerCancel;
    return kAnswerOk;
}

// The log's "\r\n" line breaks become plain ones on the terminal.
void PrintLogLine(const char* text)
{
    for (const char* c = text; *c; ++c) {
        if (!(c[0] == '\r' && c[1] == '\n'))
            std::fputc(*c, stdout);
    }
    std::fputc('\n', stdout);
}

bool ReadAll(const std::string& name, std::vector<unsigned char>& bytes, std::string& error)
{
    std::FILE* file = stdin;
    if (name == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdin), _O_BINARY);
#endif
    } else if (!(file = std::fopen(name.c_str(), "rb"))) {
        error = "cannot open '" + name + "': " + std::strerror(errno);
        return false;
    }
    unsigned char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + count);
    bool failed = std::ferror(file) != 0;
    if (failed)
        error = "cannot read '" + name + "': " + std::strerror(errno);
    if (file != stdin)
        std::fclose(file);
    return !failed;
}

bool WriteAll(const std::string& name, const std::vector<unsigned char>& bytes, std::string& error)
{
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) {
        error = "cannot create '" + name + "': " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int saved = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        saved = errno;
    }
    if (!written)
        error = "cannot write '" + name + "': " + std::strerror(saved);
    return written;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "qm-gramc: %s\n", message.c_str());
    return 2;
}

int TryAll(const GramcOptions& options, const std::vector<unsigned char>& grammar)
{
    std::string lines;
    std::string error;
    TrialStatus status = TryPhrases(grammar, options.lists, options.phrases, lines, error);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    std::fflush(stdout);
    if (!error.empty())
        std::fprintf(stderr, "qm-gramc: %s\n", error.c_str());
    return static_cast<int>(status);
}
} // namespace

int main(int argc, char** argv)
{
    GramcOptions options;
    std::string error;
    if (!ParseGramcOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "qm-gramc: %s\n%s", error.c_str(), kGramcUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kGramcUsage, stdout);
        return 0;
    }

    std::vector<unsigned char> bytes;
    if (!ReadAll(options.decode.empty() ? options.input : options.decode, bytes, error))
        return Fail(error);
    if (!options.decode.empty())
        return ListBinaryGrammar(bytes, stdout);

    if (options.binary)
        return TryAll(options, bytes);

    g_cancelSyntaxErrors = options.cancelSyntaxErrors;
    SetCompilerBoxHandler(AnswerBox);
    SetCompilerLogHandler(PrintLogLine);
    GramParser parser;
    bool compiled = parser.Compile(std::string(bytes.begin(), bytes.end()), options.dump);
    std::fflush(stdout);
    if (compiled && !options.output.empty() && !WriteAll(options.output, parser.packed, error))
        return Fail(error);
    if (!compiled)
        return 1;
    return options.phrases.empty() ? 0 : TryAll(options, parser.packed);
}
