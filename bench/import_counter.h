// Counts every call this program makes through its import table: each imported function's slot
// is pointed at a small counting thunk that jumps on to the function. The module is linked into
// the program, so every system call, allocation (the C runtime's malloc) and lock it makes is
// counted by name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct ImportCalls {
  std::string dll;
  std::string function;
  uint64_t calls;
};

// Points every import slot at its counting thunk, with all counts at zero; false when the
// import table cannot be patched. Only while no other thread of the program runs, since the
// counts do not tell threads apart.
bool startCountingImports();

// Puts every slot back and returns the imports that were called, with their counts.
std::vector<ImportCalls> stopCountingImports();

}  // namespace bench
