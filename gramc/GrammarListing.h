// qm-gramc --decode: a readable listing of a binary grammar.
#pragma once

#include <cstdio>
#include <vector>

// Lists header, chunks, entries and rule elements to out, then the reader's verdict.
// Returns the exit status: 0 for a well-formed grammar, 1 for a malformed one.
int ListBinaryGrammar(const std::vector<unsigned char>& bytes, std::FILE* out);
