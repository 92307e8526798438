// What this recogniser adds to the grammar compiler's reader of binary grammars before
// GrammarLoad takes a block: its checks, its bounds, the one rule it can import.
// Portable: no Windows headers.
#pragma once

#include "BinaryGrammarReader.h"

#include <cstddef>
#include <string>

namespace qmsim {

// The reader's grammar, also under the recogniser's own names.
using ::BinaryGrammar;
using ::GrammarNameEntry;
using ::ReadBinaryGrammar;

// Checks what a recogniser needs before it can load the grammar (see README.md).
bool ValidateBinaryGrammar(const BinaryGrammar& g, std::string& error);

// The only imported rule this recogniser provides: free dictation.
extern const char* const DictationRuleName; // "dgndictation"

// Bounds that keep matching a loaded grammar finite and its recursion shallow.
constexpr size_t MaxOperationDepth = 256; // nested operations within one rule
constexpr size_t MaxRuleDepth = 32;      // chain of rule references

} // namespace qmsim
