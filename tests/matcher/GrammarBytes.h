// Test data for the simulated recogniser: binary grammar blocks (built as the compiler's
// tests build them) and the word records that fill its lists.
#pragma once

#include "../compiler/GrammarBlocks.h"

#include <cstdint>
#include <string>

namespace simtest {

using namespace grammartest;

// One wide word record: size, word number, UTF-16 text with its 0, padded to 4.
inline Bytes WordRecord(const std::u16string& text, uint32_t wordNumber = 0)
{
    Bytes b;
    uint32_t size = static_cast<uint32_t>(8 + 2 * (text.size() + 1));
    size = (size + 3) & ~3u;
    PutU32(b, size);
    PutU32(b, wordNumber);
    for (char16_t c : text)
        PutU16(b, c);
    b.resize(size, 0);
    return b;
}

} // namespace simtest
