// The replaced operator new. It lives alone in this file so the compiler never pairs its malloc
// with the runtime's operator delete (which hands blocks back to free()).
#include "tests/module/failing_allocations.h"

#include <cstdlib>
#include <new>

std::atomic<size_t> failAllocationsAbove{0};

void* operator new(size_t size) {
  const size_t limit = failAllocationsAbove.load();
  if (limit != 0 && size > limit) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
