#include "GramcOptions.h"

const char kGramcUsage[] =
    "usage: qm-gramc [-o FILE] [--on-syntax-error=skip|cancel] [--dump] INPUT\n"
    "       qm-gramc --decode FILE.bin\n"
    "       qm-gramc --try PHRASE [--try PHRASE]... [--list NAME=VALUE[,VALUE]...]... [--binary] INPUT\n"
    "  INPUT                 grammar text file, or - for standard input\n"
    "  -o FILE               write the packed grammar to FILE when compilation succeeds\n"
    "  --on-syntax-error=X   answer every syntax error with OK (skip, the default) or Cancel\n"
    "  --dump                list the compiler's tables and write outputTest.bin\n"
    "  --decode FILE.bin     list a binary grammar\n"
    "  --try PHRASE          recognise PHRASE with every exported rule active and print what\n"
    "                        Quillmoor logs for it (without the timing line)\n"
    "  --list NAME=V1,V2     fill the grammar's list NAME with these values before --try\n"
    "  --binary              INPUT is a binary grammar file (for --try)\n"
    "Exit status: 0 compiled (with --try: every phrase recognised), 1 not compiled, malformed\n"
    "binary, or a phrase not recognised, 2 usage or file error.\n";

bool ParseGramcOptions(const std::vector<std::string>& args, GramcOptions& options, std::string& error)
{
    const std::string syntaxOption = "--on-syntax-error=";
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--decode" || arg == "--try" || arg == "--list") {
            if (i + 1 >= args.size()) {
                const char* what = arg == "--try"    ? "a phrase"
                                   : arg == "--list" ? "NAME=VALUE[,VALUE]..."
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
            } else {
                (arg == "-o" ? options.output : options.decode) = value;
            }
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
    if (!options.decode.empty() && !options.phrases.empty()) {
        error = "--decode and --try do not go together";
        return false;
    }
    if (options.phrases.empty() && (options.binary || !options.lists.empty())) {
        error = "--binary and --list need --try";
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
