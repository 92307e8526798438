// Writes the binary context-free grammar (BinaryGrammarFormat.h): the header and the
// chunks 4 (exported rules), 5 (imported rules), 6 (lists), 2 (words) and 3 (rule
// definitions), each only when its table has entries.
#include "GramParser.h"

#include "DebugCopy.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {
// Writes little-endian fields into the packed bytes, a record at a time.
class ChunkWriter {
public:
    explicit ChunkWriter(std::vector<unsigned char>& out) : out_(out) {}

    // Appends size zero bytes and returns where they start.
    std::size_t Append(uint64_t size)
    {
        std::size_t at = out_.size();
        out_.resize(at + Narrowed(size));
        return at;
    }
    void Put16(std::size_t at, uint32_t value)
    {
        for (int i = 0; i < 2; ++i)
            out_[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
    void Put32(std::size_t at, uint64_t value)
    {
        uint32_t narrowed = Narrowed(value);
        for (int i = 0; i < 4; ++i)
            out_[at + i] = static_cast<unsigned char>(narrowed >> (8 * i));
    }
    void PutBytes(std::size_t at, const std::string& text) { std::copy(text.begin(), text.end(), out_.begin() + at); }

    // Chunk ID and data size, then the data: the size is filled in by EndChunk.
    void BeginChunk(uint32_t chunkId)
    {
        chunkAt_ = Append(kChunkHeaderSize);
        Put32(chunkAt_, chunkId);
    }
    void EndChunk() { Put32(chunkAt_ + 4, out_.size() - chunkAt_ - kChunkHeaderSize); }

private:
    // Sizes are computed wider than the field; a grammar this large cannot be described.
    static uint32_t Narrowed(uint64_t value)
    {
        if (value > UINT32_MAX)
            throw std::length_error("grammar too large for the binary format");
        return static_cast<uint32_t>(value);
    }

    std::vector<unsigned char>& out_;
    std::size_t chunkAt_ = 0;
};
} // namespace

void GramParser::Pack(bool dump)
{
    ChunkWriter header(packed);
    std::size_t at = header.Append(kGrammarHeaderSize);
    header.Put32(at, kContextFreeGrammar);
    header.Put32(at + 4, kNarrowNames);
    if (!exportRules.empty())
        WriteNameChunk(kExportedRulesChunk, exportRules);
    if (!importRules.empty())
        WriteNameChunk(kImportedRulesChunk, importRules);
    if (!knownLists.empty())
        WriteNameChunk(kListsChunk, knownLists);
    if (!knownWords.empty())
        WriteNameChunk(kWordsChunk, knownWords);
    if (!ruleDefines.empty())
        WriteRulesChunk(kRulesChunk, ruleDefines);
    if (dump)
        Log(WritePackedCopy(packed).c_str());
}

void GramParser::WriteNameChunk(uint32_t chunkId, const std::vector<NameEntry>& entries)
{
    ChunkWriter chunk(packed);
    chunk.BeginChunk(chunkId);
    for (const NameEntry& entry : entries) {
        uint64_t size = kEntryHeaderSize + PaddedNameSize(entry.name.size());
        std::size_t at = chunk.Append(size); // the NULs after the name are already there
        chunk.Put32(at, size);
        chunk.Put32(at + 4, static_cast<uint32_t>(entry.id));
        chunk.PutBytes(at + kEntryHeaderSize, entry.name);
    }
    chunk.EndChunk();
}

void GramParser::WriteRulesChunk(uint32_t chunkId, const std::vector<RuleDefine>& defines)
{
    ChunkWriter chunk(packed);
    chunk.BeginChunk(chunkId);
    for (const RuleDefine& define : defines) {
        uint64_t size = kEntryHeaderSize + kElementSize * static_cast<uint64_t>(define.elements.size());
        std::size_t at = chunk.Append(size);
        chunk.Put32(at, size);
        chunk.Put32(at + 4, static_cast<uint32_t>(RuleId(define.name)));
        at += kEntryHeaderSize;
        for (const Element& element : define.elements) {
            chunk.Put16(at, static_cast<uint32_t>(element.type)); // the probability after it stays 0
            chunk.Put32(at + 4, static_cast<uint32_t>(element.value));
            at += kElementSize;
        }
    }
    chunk.EndChunk();
}
