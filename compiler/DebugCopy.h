// The debug copy of a packed grammar, "outputTest.bin".
#pragma once

#include <string>
#include <vector>

// The folder named by the environment variable QUILLMOOR_DUMP_DIR, or the current
// directory when it is unset or empty.
constexpr const char* kDumpDirVariable = "QUILLMOOR_DUMP_DIR";

// Creates or truncates outputTest.bin there and writes bytes to it. Returns the line to
// log: the confirmation, or which file could not be written and why.
std::string WritePackedCopy(const std::vector<unsigned char>& bytes);
