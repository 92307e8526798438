// qm-gramc --decode: a readable listing of a binary grammar.
#pragma once

#include <cstdio>
#include <vector>

// Lists header, chunks, entries and rule elements to out, then any problem found.
// Returns the exit status: 0 for a well-formed grammar, 1 for a malformed one,
// 2 when this build has no reader.
int ListBinaryGrammar(const std::vector<unsigned char>& bytes, std::FILE* out);
