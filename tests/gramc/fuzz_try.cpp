// libFuzzer target for qm-gramc --try's input: the first byte picks a grammar, every further
// line is a --list option (when it starts with "L ") or a phrase. Checks that the lists are
// filled or refused without harm, that each phrase gives exactly one result or failure line,
// and that no result line outgrows the module's buffers.
#include "CompilerMessages.h"
#include "GramParser.h"
#include "PhraseTrial.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

const char* const kGrammars[] = {
    "<OnOff> = {OnOff};\n<dgndictation> imported;\n"
    "<1> exported = switch <OnOff> [ please ] | note <dgndictation> [ done ] | lights {OnOff} {OnOff};\n",
    "<Colour> = {Colour};\n<dgndictation> imported;\n<Move> exported = move ( up | down ) + [ \"New York\" ];\n"
    "<Paint> exported = paint <Colour> <dgndictation> {Colour};\n",
    "<dgndictation> imported;\n<a> exported = [ <dgndictation> ] + {L} <dgndictation>;\n",
};

std::vector<std::vector<unsigned char>> CompiledGrammars()
{
    SetCompilerBoxHandler([](const char*, const char*, unsigned) { return kAnswerOk; });
    std::vector<std::vector<unsigned char>> packed;
    for (const char* text : kGrammars) {
        GramParser parser;
        Require(parser.Compile(text, false));
        packed.push_back(parser.packed);
    }
    return packed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::vector<unsigned char>> grammars = CompiledGrammars();
    if (size == 0)
        return 0;
    const std::vector<unsigned char>& grammar = grammars[data[0] % grammars.size()];

    std::vector<ListValues> lists;
    std::vector<std::string> phrases;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (size_t start = 0; start <= text.size() && phrases.size() < 16;) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        ListValues list;
        std::string error;
        if (line.compare(0, 2, "L ") == 0) {
            if (ParseListValues(line.substr(2), list, error))
                lists.push_back(list);
            else
                Require(!error.empty());
        } else {
            phrases.push_back(line);
        }
        start = end + 1;
    }

    std::string out;
    std::string error;
    const TrialStatus status = TryPhrases(grammar, lists, phrases, out, error);
    if (status == TrialStatus::BadList) {
        Require(out.empty() && !error.empty());
        return 0;
    }
    Require(error.empty());
    size_t answered = 0;
    size_t recognised = 0;
    for (size_t start = 0; start < out.size();) {
        const size_t end = out.find('\n', start);
        Require(end != std::string::npos); // every line ends
        const std::string line = out.substr(start, end - start);
        if (line.compare(0, 3, ">> ") == 0) {
            Require(line.size() + 1 <= 255 - 50);
            ++answered;
            ++recognised;
        } else if (line.compare(0, 16, "not recognised: ") == 0) {
            ++answered;
        } else if (line.compare(0, 5, "Rule ") == 0) {
            Require(line.size() + 1 <= 127);
        }
        start = end + 1;
    }
    Require(answered == phrases.size());
    Require((status == TrialStatus::AllRecognised) == (recognised == phrases.size()));
    return 0;
}
