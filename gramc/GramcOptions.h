// Command line of qm-gramc.
#pragma once

#include "PhraseTrial.h"

#include <cstddef>
#include <string>
#include <vector>

struct GramcOptions {
    std::string input;       // file name, or "-" for standard input
    std::vector<std::string> moreInputs; // --conflicts: the grammars after the first
    std::string output;      // -o: where the packed bytes go; empty for nowhere
    std::string decode;      // --decode: a binary grammar to list instead of compiling
    std::vector<std::string> phrases; // --try: phrases to recognise
    std::vector<ListValues> lists;    // --list: values for the grammar's lists
    bool listPhrases = false;         // --phrases: list what each exported rule accepts
    std::size_t maxPhrases = 100;     // --max: at most this many phrases per rule
    bool findConflicts = false;       // --conflicts: rules that accept a common phrase
    bool binary = false;     // --binary: INPUT is a binary grammar, not a text
    bool cancelSyntaxErrors = false;
    bool dump = false;
    bool help = false;
};

extern const char kGramcUsage[];

// Returns false with a message naming the problem when the arguments make no sense.
bool ParseGramcOptions(const std::vector<std::string>& args, GramcOptions& options, std::string& error);
