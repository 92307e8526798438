// qm-gramc: compiles a grammar text file to the binary grammar format, lists a binary
// grammar, or tries phrases against a grammar. Message boxes become lines on stderr, log
// lines, the lines of tried phrases and the analyses' lines go to stdout.
#include "BinaryGrammar.h"
#include "CompilerMessages.h"
#include "EscapedText.h"
#include "GramParser.h"
#include "GramcOptions.h"
#include "GrammarAnalysis.h"
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
// --phrases and --conflicts: every input compiled (or read) into a binary grammar first.
// For --conflicts, status 1 means a conflict, so a grammar that cannot be used gives 2.
int Analyse(const GramcOptions& options)
{
    const int unusable = options.findConflicts ? 2 : 1;
    std::vector<std::string> inputs{options.input};
    inputs.insert(inputs.end(), options.moreInputs.begin(), options.moreInputs.end());
    std::vector<AnalysedGrammar> grammars;
    GramParser parser;
    for (const std::string& input : inputs) {
        std::vector<unsigned char> bytes;
        std::string error;
        if (!ReadAll(input, bytes, error))
            return Fail(error);
        if (!options.binary) {
            bool compiled = parser.Compile(std::string(bytes.begin(), bytes.end()), false);
            std::fflush(stdout);
            if (!compiled) {
                std::fprintf(stderr, "qm-gramc: %s does not compile\n", input.c_str());
                return unusable;
            }
            bytes = parser.packed;
        }
        AnalysedGrammar analysed;
        analysed.file = input;
        if (!ReadBinaryGrammar(bytes.data(), bytes.size(), analysed.grammar, error)) {
            std::fprintf(stderr, "qm-gramc: %s: malformed binary grammar: %s\n", input.c_str(), error.c_str());
            return unusable;
        }
        // Analysed all the same: a refused rule reference accepts nothing, and an imported
        // rule other than dictation is a word of its own.
        if (!qmsim::ValidateBinaryGrammar(analysed.grammar, error))
            std::fprintf(stderr, "qm-gramc: %s: the recogniser refuses this grammar: %s\n", input.c_str(),
                         error.c_str());
        grammars.push_back(std::move(analysed));
    }
    qmsim::ListEntries lists;
    std::string error;
    if (!ListEntriesFor(options.lists, grammars, lists, error))
        return Fail(error);
    int status = 0;
    if (options.listPhrases)
        status = PrintPhrases(grammars[0], lists, options.maxPhrases, stdout, error) ? 0 : 2;
    else
        status = PrintConflicts(grammars, lists, stdout, error);
    std::fflush(stdout);
    if (status == 2)
        return Fail(error);
    return status;
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

    g_cancelSyntaxErrors = options.cancelSyntaxErrors;
    SetCompilerBoxHandler(AnswerBox);
    SetCompilerLogHandler(PrintLogLine);
    if (options.listPhrases || options.findConflicts)
        return Analyse(options);

    std::vector<unsigned char> bytes;
    if (!ReadAll(options.decode.empty() ? options.input : options.decode, bytes, error))
        return Fail(error);
    if (!options.decode.empty())
        return ListBinaryGrammar(bytes, stdout);

    if (options.binary)
        return TryAll(options, bytes);

    GramParser parser;
    bool compiled = parser.Compile(std::string(bytes.begin(), bytes.end()), options.dump);
    std::fflush(stdout);
    if (compiled && !options.output.empty() && !WriteAll(options.output, parser.packed, error))
        return Fail(error);
    if (!compiled)
        return 1;
    return options.phrases.empty() ? 0 : TryAll(options, parser.packed);
}
