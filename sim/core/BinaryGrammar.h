// Reader and checker of the binary context-free grammar format that GrammarLoad takes:
// an 8-byte header (type, flags) followed by chunks of name entries (2 words,
// 4 exported rules, 5 imported rules, 6 lists) and rule definitions (3).
// Portable: no Windows headers, every number read as little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qmsim {

// Element types and operation codes of a rule definition.
enum : uint16_t {
    ElementStart = 1,
    ElementEnd = 2,
    ElementWord = 3,
    ElementRule = 4,
    ElementList = 6,
};
enum : uint32_t {
    OperationSequence = 1,
    OperationAlternatives = 2,
    OperationRepetition = 3,
    OperationOptional = 4,
};

enum : uint32_t {
    ChunkWords = 2,
    ChunkRules = 3,
    ChunkExports = 4,
    ChunkImports = 5,
    ChunkLists = 6,
};

struct GrammarElement {
    uint16_t type;
    uint16_t probability;
    uint32_t value;
};

struct GrammarNameEntry {
    uint32_t id;
    std::string name; // bytes up to the first NUL, as stored (single-byte code page)
};

struct GrammarRuleEntry {
    uint32_t id;
    std::vector<GrammarElement> elements;
};

struct GrammarChunk {
    uint32_t id;
    uint32_t offset; // byte offset of the chunk header in the block
    uint32_t size;   // size of the chunk's data, without its 8-byte header
};

struct BinaryGrammar {
    uint32_t type = 0;
    uint32_t flags = 0;
    std::vector<GrammarChunk> chunks;
    std::vector<GrammarNameEntry> exportedRules, importedRules, lists, words;
    std::vector<GrammarRuleEntry> rules;
};

// Reads the structure of a block. On failure error is one sentence naming the
// problem and its byte offset, and out holds everything read before it.
bool ReadBinaryGrammar(const void* data, size_t size, BinaryGrammar& out, std::string& error);

// Checks what a recogniser needs before it can load the grammar (see README.md).
bool ValidateBinaryGrammar(const BinaryGrammar& g, std::string& error);

// "sequence", "alternatives", "repetition", "optional", else "unknown".
const char* OperationName(uint32_t code);

// The only imported rule this recogniser provides: free dictation.
extern const char* const DictationRuleName; // "dgndictation"

// Bounds that keep matching a loaded grammar finite and its recursion shallow.
constexpr size_t MaxOperationDepth = 256; // nested operations within one rule
constexpr size_t MaxRuleDepth = 32;      // chain of rule references

} // namespace qmsim
