#include "GramcOptions.h"

const char kGramcUsage[] =
    "usage: qm-gramc [-o FILE] [--on-syntax-error=skip|cancel] [--dump] INPUT\n"
    "       qm-gramc --decode FILE.bin\n"
    "  INPUT                 grammar text file, or - for standard input\n"
    "  -o FILE               write the packed grammar to FILE when compilation succeeds\n"
    "  --on-syntax-error=X   answer every syntax error with OK (skip, the default) or Cancel\n"
    "  --dump                list the compiler's tables and write outputTest.bin\n"
    "  --decode FILE.bin     list a binary grammar\n"
    "Exit status: 0 compiled, 1 not compiled (or malformed binary), 2 usage or file error.\n";

bool ParseGramcOptions(const std::vector<std::string>& args, GramcOptions& options, std::string& error)
{
    const std::string syntaxOption = "--on-syntax-error=";
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--decode") {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a file name";
                return false;
            }
            (arg == "-o" ? options.output : options.decode) = args[++i];
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
            error = "more than one input ('" + options.input + "' and '" + arg + "')";
            return false;
        } else {
            options.input = arg;
            haveInput = true;
        }
    }
    if (options.help)
        return true;
    if (!options.decode.empty() && (haveInput || !options.output.empty() || options.dump)) {
        error = "--decode takes no input, -o or --dump";
        return false;
    }
    if (options.decode.empty() && !haveInput) {
        error = "no input given";
        return false;
    }
    return true;
}
