// A heap check for the module's tests: every operator new and delete of the test program
// goes through it. Freed blocks are filled with 0xDD and held back for a while before they
// go, so that a walk over a freed object reads garbage pointers and crashes instead of
// reading the old values; a second delete of a block, or a write into a held-back block, ends
// the program with a message naming it. The count of live blocks shows leaks.
#pragma once

#include <cstddef>

namespace heapcheck {

// Blocks allocated with operator new and not yet deleted, in the whole program.
long LiveBlocks();

} // namespace heapcheck
