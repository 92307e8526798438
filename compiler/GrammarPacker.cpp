// Writes the binary context-free grammar (BinaryGrammarFormat.h): the header and the
// chunks 4 (exported rules), 5 (imported rules), 6 (lists), 2 (words) and 3 (rule
// definitions), each only when its table has entries.
#include "GramParser.h"

#include "DebugCopy.h"

#include <cstdint>
#include <stdexcept>

namespace {
class ChunkWriter {
public:
    void U16(uint32_t value)
    {
        for (int shift = 0; shift < 16; shift += 8)
            bytes_.push_back(static_cast<unsigned char>(value >> shift));
    }
    void U32(uint64_t value)
    {
        // Sizes are computed wider than the field; a grammar this large cannot be described.
        if (value > UINT32_MAX)
            throw std::length_error("grammar too large for the binary format");
        for (int shift = 0; shift < 32; shift += 8)
            bytes_.push_back(static_cast<unsigned char>(value >> shift));
    }
    void Bytes(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

    void AppendTo(std::vector<unsigned char>& out) const { out.insert(out.end(), bytes_.begin(), bytes_.end()); }

    // Chunk ID and data size, then the data.
    void AppendChunkTo(std::vector<unsigned char>& out, uint32_t chunkId) const
    {
        ChunkWriter header;
        header.U32(chunkId);
        header.U32(bytes_.size());
        header.AppendTo(out);
        AppendTo(out);
    }

private:
    std::vector<unsigned char> bytes_;
};
} // namespace

void GramParser::Pack(bool dump)
{
    ChunkWriter header;
    header.U32(kContextFreeGrammar);
    header.U32(kNarrowNames);
    header.AppendTo(packed);
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
    ChunkWriter chunk;
    for (const NameEntry& entry : entries) {
        uint64_t padded = PaddedNameSize(entry.name.size());
        chunk.U32(kEntryHeaderSize + padded);
        chunk.U32(static_cast<uint32_t>(entry.id));
        chunk.Bytes(entry.name);
        chunk.Zeros(static_cast<std::size_t>(padded - entry.name.size()));
    }
    chunk.AppendChunkTo(packed, chunkId);
}

void GramParser::WriteRulesChunk(uint32_t chunkId, const std::vector<RuleDefine>& defines)
{
    ChunkWriter chunk;
    for (const RuleDefine& define : defines) {
        chunk.U32(kEntryHeaderSize + kElementSize * static_cast<uint64_t>(define.elements.size()));
        chunk.U32(static_cast<uint32_t>(RuleId(define.name)));
        for (const Element& element : define.elements) {
            chunk.U16(static_cast<uint32_t>(element.type));
            chunk.U16(0); // probability
            chunk.U32(static_cast<uint32_t>(element.value));
        }
    }
    chunk.AppendChunkTo(packed, chunkId);
}
