#include "BinaryGrammarReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

namespace {

uint32_t ReadU32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(const unsigned char* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

// One entry's frame: checks size and bounds; returns false with error set.
bool ReadEntryHeader(const unsigned char* base, size_t at, size_t end, uint32_t chunkId,
                     uint32_t& entrySize, std::string& error)
{
    if (end - at < kEntryHeaderSize) {
        error = FormatGrammarMessage(
            "chunk %u, entry at byte %zu: 8 bytes needed for the entry header, %zu left in the chunk",
            chunkId, at, end - at);
        return false;
    }
    entrySize = ReadU32(base + at);
    if (entrySize < kEntryHeaderSize) {
        error = FormatGrammarMessage("chunk %u, entry at byte %zu: entry size %u is less than 8", chunkId, at,
                                     entrySize);
        return false;
    }
    if (entrySize % 4 != 0) {
        error = FormatGrammarMessage("chunk %u, entry at byte %zu: entry size %u is not a multiple of 4", chunkId,
                                     at, entrySize);
        return false;
    }
    if (entrySize > end - at) {
        error = FormatGrammarMessage(
            "chunk %u, entry at byte %zu: entry size %u runs past the end of the chunk (%zu bytes left)", chunkId,
            at, entrySize, end - at);
        return false;
    }
    return true;
}

// Walks the entries of one chunk, checking each frame; readEntry(at, entrySize, id) reads
// the rest of an entry and returns false with error set when it cannot.
template <typename ReadEntry>
bool ReadEntries(const unsigned char* base, size_t begin, size_t end, uint32_t chunkId, std::string& error,
                 ReadEntry readEntry)
{
    for (size_t at = begin; at < end;) {
        uint32_t entrySize = 0;
        if (!ReadEntryHeader(base, at, end, chunkId, entrySize, error) ||
            !readEntry(at, entrySize, ReadU32(base + at + 4)))
            return false;
        at += entrySize;
    }
    return true;
}

bool ReadNameChunk(const unsigned char* base, size_t begin, size_t end, uint32_t chunkId,
                   std::vector<GrammarNameEntry>& entries, std::string& error)
{
    return ReadEntries(base, begin, end, chunkId, error, [&](size_t at, uint32_t entrySize, uint32_t id) {
        const char* name = reinterpret_cast<const char*>(base + at + kEntryHeaderSize);
        const void* nul = std::memchr(name, 0, entrySize - kEntryHeaderSize);
        if (!nul) {
            error = FormatGrammarMessage(
                "chunk %u, entry at byte %zu: the name of ID %u is not NUL-terminated within its entry", chunkId,
                at, id);
            return false;
        }
        entries.push_back({id, std::string(name, static_cast<const char*>(nul))});
        return true;
    });
}

bool ReadRuleChunk(const unsigned char* base, size_t begin, size_t end, std::vector<GrammarRuleEntry>& rules,
                   std::string& error)
{
    return ReadEntries(base, begin, end, kRulesChunk, error, [&](size_t at, uint32_t entrySize, uint32_t id) {
        if ((entrySize - kEntryHeaderSize) % kElementSize != 0) {
            error = FormatGrammarMessage(
                "chunk 3, entry at byte %zu: entry size %u of rule %u does not hold whole 8-byte elements", at,
                entrySize, id);
            return false;
        }
        GrammarRuleEntry rule{id, {}};
        rule.elements.reserve((entrySize - kEntryHeaderSize) / kElementSize);
        for (size_t e = at + kEntryHeaderSize; e < at + entrySize; e += kElementSize)
            rule.elements.push_back({ReadU16(base + e), ReadU16(base + e + 2), ReadU32(base + e + 4)});
        rules.push_back(std::move(rule));
        return true;
    });
}

} // namespace

std::string FormatGrammarMessage(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

const char* ChunkName(uint32_t id)
{
    switch (id) {
    case kWordsChunk: return "words";
    case kRulesChunk: return "rule definitions";
    case kExportedRulesChunk: return "exported rules";
    case kImportedRulesChunk: return "imported rules";
    case kListsChunk: return "lists";
    default: return "unknown";
    }
}

const char* OperationName(uint32_t code)
{
    switch (code) {
    case kSequence: return "sequence";
    case kAlternatives: return "alternatives";
    case kRepetition: return "repetition";
    case kOptional: return "optional";
    default: return "unknown";
    }
}

bool ReadBinaryGrammar(const void* data, size_t size, BinaryGrammar& out, std::string& error)
{
    out = BinaryGrammar();
    error.clear();
    if (!data && size != 0) {
        error = "grammar data at byte 0: the data pointer is null";
        return false;
    }
    const unsigned char* base = static_cast<const unsigned char*>(data);
    if (size < kGrammarHeaderSize) {
        error = FormatGrammarMessage("header at byte 0: 8 bytes needed, %zu present", size);
        return false;
    }
    out.type = ReadU32(base);
    out.flags = ReadU32(base + 4);
    if (out.type != kContextFreeGrammar) {
        error = FormatGrammarMessage("header at byte 0: grammar type %u is not 0 (context-free grammar)", out.type);
        return false;
    }
    if (out.flags != kNarrowNames) {
        error = FormatGrammarMessage("header at byte 4: flags 0x%X are not supported (only 0, single-byte names)",
                                     out.flags);
        return false;
    }

    std::set<uint32_t> seen;
    size_t at = kGrammarHeaderSize;
    while (at < size) {
        if (size - at < kChunkHeaderSize) {
            error = FormatGrammarMessage("chunk header at byte %zu: 8 bytes needed, %zu left", at, size - at);
            return false;
        }
        const uint32_t id = ReadU32(base + at);
        const uint32_t chunkSize = ReadU32(base + at + 4);
        if (id < kWordsChunk || id > kListsChunk) {
            error = FormatGrammarMessage("chunk at byte %zu: chunk ID %u is not known (2 to 6 expected)", at, id);
            return false;
        }
        if (!seen.insert(id).second) {
            error = FormatGrammarMessage("chunk at byte %zu: chunk ID %u (%s) appears a second time", at, id,
                                         ChunkName(id));
            return false;
        }
        if (chunkSize > size - at - kChunkHeaderSize) {
            error = FormatGrammarMessage("chunk %u at byte %zu: size %u runs past the end of the data (%zu bytes left)",
                                         id, at, chunkSize, size - at - kChunkHeaderSize);
            return false;
        }
        out.chunks.push_back({id, uint32_t(at), chunkSize});
        const size_t begin = at + kChunkHeaderSize, end = begin + chunkSize;
        bool ok = true;
        switch (id) {
        case kWordsChunk: ok = ReadNameChunk(base, begin, end, id, out.words, error); break;
        case kExportedRulesChunk: ok = ReadNameChunk(base, begin, end, id, out.exportedRules, error); break;
        case kImportedRulesChunk: ok = ReadNameChunk(base, begin, end, id, out.importedRules, error); break;
        case kListsChunk: ok = ReadNameChunk(base, begin, end, id, out.lists, error); break;
        case kRulesChunk: ok = ReadRuleChunk(base, begin, end, out.rules, error); break;
        }
        if (!ok)
            return false;
        at = end;
    }
    return true;
}
