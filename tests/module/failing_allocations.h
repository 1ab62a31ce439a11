// A replacement of the program's operator new that can be told to fail large allocations, so a
// test can make the module run out of memory exactly where it needs a large block.
#pragma once

#include <atomic>
#include <cstddef>

// Allocations larger than this many bytes throw std::bad_alloc while it is non-zero.
extern std::atomic<size_t> failAllocationsAbove;
