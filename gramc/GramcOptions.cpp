#include "GramcOptions.h"

#include <algorithm>

const char kGramcUsage[] =
    "usage: qm-gramc [-o FILE] [--on-syntax-error=skip|cancel] [--dump] INPUT\n"
    "       qm-gramc --decode FILE.bin\n"
    "       qm-gramc --try PHRASE [--try PHRASE]... [--list NAME=VALUE[,VALUE]...]... [--binary] INPUT\n"
    "       qm-gramc --phrases [--max N] [--list NAME=VALUE[,VALUE]...]... [--binary] INPUT\n"
    "       qm-gramc --conflicts [--list NAME=VALUE[,VALUE]...]... [--binary] INPUT [INPUT]...\n"
    "  INPUT                 grammar text file, or - for standard input\n"
    "  -o FILE               write the packed grammar to FILE when compilation succeeds\n"
    "  --on-syntax-error=X   answer every syntax error with OK (skip, the default) or Cancel\n"
    "  --dump                list the compiler's tables and write outputTest.bin\n"
    "  --decode FILE.bin     list a binary grammar\n"
    "  --try PHRASE          recognise PHRASE with every exported rule active and print what\n"
    "                        Quillmoor logs for it (without the timing line)\n"
    "  --list NAME=V1,V2     fill the grammar's list NAME with these values (--try), or take\n"
    "                        them as its entries (--phrases, --conflicts)\n"
    "  --phrases             list the phrases of each exported rule, fewest words first;\n"
    "                        a repetition counts one or two rounds\n"
    "  --max N               at most N phrases per rule (default 100)\n"
    "  --conflicts           name every two exported rules, of one grammar or of several\n"
    "                        active together, that accept a common phrase, with the\n"
    "                        shortest one, and every rule that accepts no phrase\n"
    "  --binary              INPUT is a binary grammar file (for --try, --phrases, --conflicts)\n"
    "Exit status: 0 compiled (with --try: every phrase recognised; with --conflicts: no\n"
    "conflict), 1 not compiled, malformed binary, a phrase not recognised, or (--conflicts)\n"
    "a conflict or a rule without phrases, 2 usage or file error (--conflicts: also a grammar\n"
    "that does not compile).\n"
    "Examples:\n"
    "  qm-gramc --phrases --list Colour=Red,Blue paint.gram\n"
    "    <Paint>:\n"
    "    paint Red\n"
    "    paint Blue\n"
    "  qm-gramc --conflicts editor.gram browser.gram\n"
    "    conflict: <Close> (editor.gram) and <1> (browser.gram): \"close window\"\n";

namespace {
bool ParseCount(const std::string& text, std::size_t& count)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    count = static_cast<std::size_t>(std::stoul(text));
    return true;
}
} // namespace

bool ParseGramcOptions(const std::vector<std::string>& args, GramcOptions& options, std::string& error)
{
    const std::string syntaxOption = "--on-syntax-error=";
    bool haveInput = false;
    bool haveMax = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--decode" || arg == "--try" || arg == "--list" || arg == "--max") {
            if (i + 1 >= args.size()) {
                const char* what = arg == "--try"    ? "a phrase"
                                   : arg == "--list" ? "NAME=VALUE[,VALUE]..."
                                   : arg == "--max"  ? "a number"
                                                     : "a file name";
                error = "option " + arg + " needs " + what;
                return false;
            }
            const std::string& value = args[++i];
            if (arg == "--try") {
                options.phrases.push_back(value);
            } else if (arg == "--list") {
                ListValues list;
                if (!ParseListValues(value, list, error))
                    return false;
                options.lists.push_back(list);
            } else if (arg == "--max") {
                if (!ParseCount(value, options.maxPhrases)) {
                    error = "--max takes a whole number from 0 to 999999999, not '" + value + "'";
                    return false;
                }
                haveMax = true;
            } else {
                (arg == "-o" ? options.output : options.decode) = value;
            }
        } else if (arg == "--phrases") {
            options.listPhrases = true;
        } else if (arg == "--conflicts") {
            options.findConflicts = true;
        } else if (arg == "--binary") {
            options.binary = true;
        } else if (arg.compare(0, syntaxOption.size(), syntaxOption) == 0) {
            std::string answer = arg.substr(syntaxOption.size());
            if (answer != "skip" && answer != "cancel") {
                error = "--on-syntax-error takes skip or cancel, not '" + answer + "'";
                return false;
            }
            options.cancelSyntaxErrors = answer == "cancel";
        } else if (arg == "--dump") {
            options.dump = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else if (haveInput) {
            options.moreInputs.push_back(arg);
        } else {
            options.input = arg;
            haveInput = true;
        }
    }
    if (options.help)
        return true;
    const int analyses = (options.listPhrases ? 1 : 0) + (options.findConflicts ? 1 : 0) +
                         (options.phrases.empty() ? 0 : 1) + (options.decode.empty() ? 0 : 1);
    if (analyses > 1) {
        error = "--try, --phrases, --conflicts and --decode go one at a time";
        return false;
    }
    if (!options.moreInputs.empty() && !options.findConflicts) {
        error = "more than one input ('" + options.input + "' and '" + options.moreInputs[0] + "')";
        return false;
    }
    if (haveMax && !options.listPhrases) {
        error = "--max needs --phrases";
        return false;
    }
    if ((options.listPhrases || options.findConflicts) && (!options.output.empty() || options.dump)) {
        error = "--phrases and --conflicts take no -o or --dump";
        return false;
    }
    if (options.input == "-" &&
        std::find(options.moreInputs.begin(), options.moreInputs.end(), "-") != options.moreInputs.end()) {
        error = "standard input (-) can be read only once";
        return false;
    }
    if (!options.decode.empty() && (haveInput || !options.output.empty() || options.dump)) {
        error = "--decode takes no input, -o or --dump";
        return false;
    }
    if (analyses == 0 && (options.binary || !options.lists.empty())) {
        error = "--binary and --list need --try, --phrases or --conflicts";
        return false;
    }
    if (options.binary && (!options.output.empty() || options.dump || options.cancelSyntaxErrors)) {
        error = "--binary takes no -o, --dump or --on-syntax-error";
        return false;
    }
    if (options.decode.empty() && !haveInput) {
        error = "no input given";
        return false;
    }
    return true;
}
