// Reads a binary grammar block (see BinaryGrammarFormat.h) into its tables, checking its
// frame: header, chunk and entry sizes, NUL-terminated names. What the IDs and elements
// mean is left to the caller. Portable: no Windows headers.
#pragma once

#include "BinaryGrammarFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// "words", "rule definitions", "exported rules", "imported rules", "lists", else "unknown".
const char* ChunkName(uint32_t id);

// "sequence", "alternatives", "repetition", "optional", else "unknown".
const char* OperationName(uint32_t code);

// printf-style formatting for messages about a block, cut (never overrun) at 511 bytes.
std::string FormatGrammarMessage(const char* format, ...);
