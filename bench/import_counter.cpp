// Counting thunks in this program's import address table.
#include "bench/import_counter.h"

#include <windows.h>

#include <cstring>

namespace bench {
namespace {

#if !defined(__x86_64__)
#error "the counting thunks are x86_64 code; the benchmark runs in the 64-bit build"
#endif

// One thunk: its code, then its count and the function it passes on to.
struct Thunk {
  uint8_t code[16];
  uint64_t count;
  void* target;
};
static_assert(sizeof(Thunk) == 32, "count at +16, target at +24");

// lock inc qword [rip+8] (the count); jmp qword [rip+10] (the target). Neither touches the
// argument registers or the stack, so the call arrives at the function as it was made.
constexpr uint8_t kThunkCode[16] = {
    0xF0, 0x48, 0xFF, 0x05, 0x08, 0x00, 0x00, 0x00,  // lock inc qword [rip+8]
    0xFF, 0x25, 0x0A, 0x00, 0x00, 0x00,              // jmp qword [rip+10]
    0xCC, 0xCC,                                      // int3 padding
};

struct PatchedSlot {
  void** slot;
  Thunk* thunk;
  std::string dll;
  std::string function;
};

std::vector<PatchedSlot> patched;
std::vector<uint64_t> finalCounts;  // sized before counting starts: reading them allocates nothing
Thunk* thunks = nullptr;

template <typename T>
T* at(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

void writeSlot(void** slot, void* value) {
  DWORD old = 0;
  ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  ::VirtualProtect(slot, sizeof *slot, old, &old);
}

// Every named import of the program with its slot.
std::vector<PatchedSlot> importSlots(HMODULE module) {
  std::vector<PatchedSlot> slots;
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
  auto* nt = at<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return slots;
  for (auto* entry = at<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); entry->Name != 0; ++entry) {
    auto* names = at<IMAGE_THUNK_DATA>(module, entry->OriginalFirstThunk ? entry->OriginalFirstThunk : entry->FirstThunk);
    auto* functions = at<IMAGE_THUNK_DATA>(module, entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++functions) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = at<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
      slots.push_back({reinterpret_cast<void**>(&functions->u1.Function), nullptr, at<char>(module, entry->Name),
                       reinterpret_cast<const char*>(byName->Name)});
    }
  }
  return slots;
}

}  // namespace

bool startCountingImports() {
  if (thunks != nullptr) return false;
  std::vector<PatchedSlot> slots = importSlots(::GetModuleHandleW(nullptr));
  if (slots.empty()) return false;
  thunks = static_cast<Thunk*>(
      ::VirtualAlloc(nullptr, slots.size() * sizeof(Thunk), MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
  if (thunks == nullptr) return false;
  for (size_t i = 0; i < slots.size(); ++i) {
    std::memcpy(thunks[i].code, kThunkCode, sizeof kThunkCode);
    thunks[i].target = *slots[i].slot;
    slots[i].thunk = &thunks[i];
  }
  ::FlushInstructionCache(::GetCurrentProcess(), thunks, slots.size() * sizeof(Thunk));
  patched = std::move(slots);
  finalCounts.assign(patched.size(), 0);
  for (const PatchedSlot& slot : patched) writeSlot(slot.slot, slot.thunk);
  // The patching itself went through the first patched slots.
  for (const PatchedSlot& slot : patched) slot.thunk->count = 0;
  return true;
}

std::vector<ImportCalls> stopCountingImports() {
  std::vector<ImportCalls> called;
  if (thunks == nullptr) return called;
  // Read before the slots are restored, which calls through them again.
  for (size_t i = 0; i < patched.size(); ++i) finalCounts[i] = patched[i].thunk->count;
  for (const PatchedSlot& slot : patched) writeSlot(slot.slot, slot.thunk->target);
  for (size_t i = 0; i < patched.size(); ++i)
    if (finalCounts[i] != 0) called.push_back({patched[i].dll, patched[i].function, finalCounts[i]});
  patched.clear();
  ::VirtualFree(thunks, 0, MEM_RELEASE);
  thunks = nullptr;
  return called;
}

}  // namespace bench
