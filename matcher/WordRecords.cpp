#include "WordRecords.h"

#include "TextConversion.h"

#include <cstdio>

namespace qmsim {

namespace {

uint32_t ReadU32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string RecordError(size_t at, const char* fault, unsigned long long a = 0, unsigned long long b = 0)
{
    char text[200];
    char detail[120];
    snprintf(detail, sizeof detail, fault, a, b);
    snprintf(text, sizeof text, "word record at byte %llu: %s", static_cast<unsigned long long>(at), detail);
    return text;
}

} // namespace

bool ParseWordRecords(const void* data, size_t size, std::vector<WordRecord>& records, std::string& error)
{
    records.clear();
    error.clear();
    if (size == 0)
        return true;
    if (!data) {
        error = "word records at byte 0: the data pointer is null";
        return false;
    }
    const unsigned char* base = static_cast<const unsigned char*>(data);
    std::vector<WordRecord> read;
    size_t at = 0;
    while (at < size) {
        const size_t left = size - at;
        if (left < 8) {
            error = RecordError(at, "8 bytes needed for the record header, %llu left", left);
            return false;
        }
        const uint32_t recordSize = ReadU32(base + at);
        if (recordSize % 4 != 0) {
            error = RecordError(at, "record size %llu is not a multiple of 4", recordSize);
            return false;
        }
        if (recordSize < 12) {
            error = RecordError(at, "record size %llu is too small for a word (12 at least)", recordSize);
            return false;
        }
        if (recordSize > left) {
            error = RecordError(at, "record size %llu runs past the end of the block (%llu bytes left)", recordSize, left);
            return false;
        }
        // Byte-wise reading: the block need not be aligned for char16_t.
        std::u16string text;
        bool terminated = false;
        for (size_t p = at + 8; p + 1 < at + recordSize; p += 2) {
            char16_t unit = char16_t(base[p] | base[p + 1] << 8);
            if (unit == 0) {
                terminated = true;
                break;
            }
            text += unit;
        }
        if (!terminated) {
            error = RecordError(at, "the word is not zero-terminated within its record");
            return false;
        }
        WordRecord record;
        record.wordNumber = ReadU32(base + at + 4);
        record.text = Utf16ToUtf8(text);
        if (SplitWords(record.text).empty()) {
            error = RecordError(at, "the word is empty");
            return false;
        }
        read.push_back(std::move(record));
        at += recordSize;
    }
    records = std::move(read);
    return true;
}

std::vector<unsigned char> MakeWordRecord(const std::string& text, uint32_t wordNumber)
{
    const std::u16string wide = Utf8ToUtf16(text);
    const size_t size = (8 + 2 * (wide.size() + 1) + 3) & ~size_t(3);
    std::vector<unsigned char> record(size, 0);
    for (int shift = 0; shift < 32; shift += 8) {
        record[shift / 8] = static_cast<unsigned char>(size >> shift);
        record[4 + shift / 8] = static_cast<unsigned char>(wordNumber >> shift);
    }
    for (size_t i = 0; i < wide.size(); ++i) {
        record[8 + 2 * i] = static_cast<unsigned char>(wide[i]);
        record[9 + 2 * i] = static_cast<unsigned char>(wide[i] >> 8);
    }
    return record;
}

} // namespace qmsim
