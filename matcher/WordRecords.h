// The wide word records of ListSet and ListAppend: 32-bit record size, 32-bit word
// number, zero-terminated UTF-16 text, the record padded to a multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qmsim {

struct WordRecord {
    uint32_t wordNumber = 0;
    std::string text; // UTF-8
};

// Reads every record of a block, strictly: a malformed block yields no records and
// error names the record's byte offset and the fault. An empty block has no records.
bool ParseWordRecords(const void* data, size_t size, std::vector<WordRecord>& records, std::string& error);

// One record for a UTF-8 text, as a client writes it for ListAppend.
std::vector<unsigned char> MakeWordRecord(const std::string& text, uint32_t wordNumber);

} // namespace qmsim
