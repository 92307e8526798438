// The SAPI 4 binary context-free grammar: the codes and record layouts that the packer
// writes and the reader reads. Every number is little-endian; records follow each other
// with no gaps and no trailing data.
//
//   header   8 bytes: grammar type (32 bits), flags (32 bits)
//   chunk    chunk ID (32), size of its data (32), the data
//   name     entry size (32), ID (32), the name's bytes and 1 to 4 NULs up to a multiple
//            of 4 (chunks 2, 4, 5, 6)
//   rule     entry size (32), rule ID (32), its elements (chunk 3)
//   element  type (16), probability (16), value (32): the operation code for a start or
//            an end, else the word, rule or list ID
#pragma once

#include <cstdint>

constexpr uint32_t kGrammarHeaderSize = 8;
constexpr uint32_t kContextFreeGrammar = 0; // grammar type
constexpr uint32_t kNarrowNames = 0;        // flags: names in single-byte characters

constexpr uint32_t kChunkHeaderSize = 8;
constexpr uint32_t kEntryHeaderSize = 8;
constexpr uint32_t kElementSize = 8;

enum ChunkId : uint32_t {
    kWordsChunk = 2,
    kRulesChunk = 3,
    kExportedRulesChunk = 4,
    kImportedRulesChunk = 5,
    kListsChunk = 6,
};

enum ElementType : uint16_t {
    kOperationStart = 1,
    kOperationEnd = 2,
    kWordElement = 3,
    kRuleElement = 4, // a rule of chunk 3 or an imported rule of chunk 5
    kListElement = 6,
};

enum Operation : uint32_t {
    kSequence = 1,
    kAlternatives = 2,
    kRepetition = 3, // one or more
    kOptional = 4,
};

// Bytes a name takes in its entry: the smallest multiple of 4 above its length.
constexpr uint64_t PaddedNameSize(uint64_t nameLength)
{
    return 4 * (nameLength / 4) + 4;
}
