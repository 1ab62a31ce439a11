// The simulated game's memory, image headers, code bytes and routine stand-ins.
#include "sim/sim_game.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include "sim/default_bindings.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"

// The game's whole address range, 0x401000 up to the program's code at 0xCA0000, as one
// zero-filled, writable section of this program (TEMBRA_GAME_IMAGE_OPTIONS places both), so
// the game addresses exist before any heap could take them.
__asm__(
    ".section .gamemem,\"bw\"\n"
    "\t.balign 4096\n"
    "\t.space 0xCA0000 - 0x401000\n"
    "\t.text\n");

namespace sim {
namespace {

constexpr uintptr_t kImageBase = 0x400000;
constexpr DWORD kStandInRaiseCode = 0xE0474D45;  // what a misbehaving routine raises
constexpr DWORD kMsvcThrowCode = 0xE06D7363;     // "\xE0msc"
constexpr int kCodeBytes = 32;  // room given to each routine's code

std::mutex callsLock;
std::vector<RoutineCall> calls;
std::atomic<bool> recordCalls{true};
RoutineBehaviour behaviours[16];
std::vector<VideoMode> videoModes = {{1920, 1080, 32, 0},           {640, 480, 32, kExclusive},
                                     {800, 600, 32, kExclusive},    {1024, 768, 32, kExclusive},
                                     {1280, 720, 32, kExclusive},   {1366, 768, 32, kExclusive},
                                     {1920, 1080, 32, kExclusive}};
constexpr int32_t kCurrentModeAtStart = 3;  // 1024 x 768
int64_t videoMemoryBytes = int64_t{256} << 20;
constexpr int64_t kVideoMemoryTheGameKeeps = int64_t{45} << 20;

constexpr int kMouseSlot = 2;

// The game's menu, touched on the game thread only (its routines and runGameFrame).
uint64_t menuStartDelayMs = 0;
bool requestSeen = false;
uint64_t requestSeenAt = 0;
int32_t menuPage = 0;
size_t keyMessagesHandled = 0;

uintptr_t noAccessPage() {
  static const uintptr_t page =
      reinterpret_cast<uintptr_t>(::VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
  return page;
}

struct Routine {
  uintptr_t address;
  void* standIn;
};

int routineIndex(uintptr_t address);

// Records the call, then behaves as told. The arguments become a record only when recorded, so
// an unrecorded call allocates nothing.
void enter(uintptr_t routine, const void* receiver, std::initializer_list<int32_t> args) {
  const int index = routineIndex(routine);
  if (recordCalls.load()) {
    std::lock_guard<std::mutex> hold(callsLock);
    calls.push_back({routine, reinterpret_cast<uintptr_t>(receiver), std::vector<int32_t>(args), ::GetCurrentThreadId()});
  }
  switch (behaviours[index]) {
    case RoutineBehaviour::Return:
      return;
    case RoutineBehaviour::Fault:
      (void)*reinterpret_cast<volatile const int32_t*>(noAccessPage());
      return;
    case RoutineBehaviour::IllegalInstruction:
      __builtin_trap();
    case RoutineBehaviour::Raise:
      ::RaiseException(kStandInRaiseCode, 0, 0, nullptr);
      return;
    case RoutineBehaviour::Throw:
#if defined(__i386__)
      // The 32-bit game is built with Microsoft's compiler, whose C++ throw is this structured
      // exception; a GCC throw could not unwind through the game's code, which has no unwind tables.
      ::RaiseException(kMsvcThrowCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
      return;
#else
      throw std::runtime_error("thrown by a game routine");
#endif
    case RoutineBehaviour::RaiseAndHandle:
      // Both handle their exception inside: the system's own probe and a C++ throw and catch.
      ::IsBadReadPtr(reinterpret_cast<const void*>(noAccessPage()), sizeof(int32_t));
      try {
        throw std::runtime_error("handled inside the routine");
      } catch (const std::runtime_error&) {
      }
      return;
  }
}

bool inTable(int32_t action, int32_t slot) {
  return action >= 0 && action < gta::kActionCount && slot >= 0 && slot < gta::kSlotsPerAction;
}

uintptr_t slotAddress(int action, int slot) {
  return gta::kActionTable + action * gta::kActionRecordBytes + slot * gta::kSlotBytes;
}

uint32_t emptySlot(int slot) { return slot == kMouseSlot ? 0 : kNoKey; }

void writeDefaultControls() {
  for (int action = 0; action < gta::kActionCount; ++action)
    for (int slot = 0; slot < gta::kSlotsPerAction; ++slot) setActionKey(action, slot, defaultActionKey(action, slot));
}

void showMenu() {
  setGameValue<uint8_t>(gta::kGameMenuActive, 1);
  menuPage = 0;  // its first page, not the map
}

void leaveMenu() {
  setGameValue<uint8_t>(gta::kGameMenuActive, 0);
  menuPage = 0;
}

// The game's list of mode names at its address: null until built, then one entry per mode.
char** modeNames() { return gameValue<char**>(gta::kVideoModeNames); }

void freeVideoModeList() {
  char** names = modeNames();
  if (names == nullptr) return;
  for (size_t mode = 0; mode < videoModes.size(); ++mode) std::free(names[mode]);
  std::free(names);
  setGameValue<char**>(gta::kVideoModeNames, nullptr);
}

// The game compares the quotient as a stored float; volatile keeps the 32-bit build's x87 unit from
// comparing its extended-precision quotient with 4/5 and 3/5, which are not exact in binary.
bool gameRatio(const VideoMode& mode) {
  volatile float quotient = static_cast<float>(mode.height) / static_cast<float>(mode.width);
  const float ratio = quotient;
  return ratio == 3.0f / 4.0f || ratio == 4.0f / 5.0f || ratio == 0.6f || ratio == 10.0f / 16.0f ||
         ratio == 9.0f / 16.0f;
}

bool gameListsMode(const VideoMode& mode) {
  if ((mode.flags & kExclusive) == 0 || mode.width < 640 || mode.height < 480 || !gameRatio(mode)) return false;
  if (mode.width == 640 && mode.height == 480) return true;
  return videoMemoryBytes - int64_t{mode.width} * mode.height * mode.depth / 8 > kVideoMemoryTheGameKeeps;
}

// Every routine's effect follows its record and its behaviour: a routine told to fault never
// gets this far. An action or slot out of the table is only recorded (the game's would write
// out of bounds).
#define MEMBER __attribute__((thiscall))

void MEMBER saveSettings(void* self) { enter(gta::kSaveSettings, self, {}); }
void MEMBER reinitControls(void* self) {
  enter(gta::kReinitControls, self, {});
  writeDefaultControls();
}
// DeleteMatchingActionInitiators (0x531C90): a key blank for the slot kind is ignored; otherwise
// every action's slot of this one kind that holds the key is cleared (the game walks the groups
// of actions that share the key's situation and compares one slot kind at a time).
void MEMBER deleteMatchingActionInitiators(void* self, int32_t action, int32_t key, int32_t type) {
  enter(gta::kDeleteMatchingActionInitiators, self, {action, key, type});
  if (!inTable(action, type) || static_cast<uint32_t>(key) == emptySlot(type)) return;
  for (int other = 0; other < gta::kActionCount; ++other)
    if (actionKey(other, type) == static_cast<uint32_t>(key)) setActionKey(other, type, emptySlot(type));
}
void MEMBER clearActionSlot(void* self, int32_t action, int32_t type) {
  enter(gta::kClearActionSlot, self, {action, type});
  if (inTable(action, type)) setActionKey(action, type, emptySlot(type));
}
void MEMBER setKeyboardKeyForAction(void* self, int32_t action, int32_t key, int32_t type) {
  enter(gta::kSetKeyboardKeyForAction, self, {action, key, type});
  if (inTable(action, type)) setActionKey(action, type, static_cast<uint32_t>(key));
}
void MEMBER setMouseButtonForAction(void* self, int32_t action, int32_t key) {
  enter(gta::kSetMouseButtonForAction, self, {action, key});
  if (inTable(action, kMouseSlot)) setActionKey(action, kMouseSlot, static_cast<uint32_t>(key));
}
void MEMBER switchMenuPage(void* self, int32_t page) {
  enter(gta::kSwitchMenuPage, self, {page});
  menuPage = page;
}

int32_t __cdecl getResolutionModeCount() {
  enter(gta::kGetResolutionModeCount, nullptr, {});
  return static_cast<int32_t>(videoModes.size());
}
int32_t __cdecl getResolutionModeInfo(void* info, int32_t mode) {
  enter(gta::kGetResolutionModeInfo, nullptr, {static_cast<int32_t>(reinterpret_cast<uintptr_t>(info)), mode});
  if (mode < 0 || mode >= static_cast<int32_t>(videoModes.size())) return 0;
  std::memcpy(info, &videoModes[mode], sizeof(VideoMode));  // width, height, depth, flags
  return 1;
}
// The audio engine's members take the menu's value as a signed byte: only the low byte of the
// argument counts.
void MEMBER setEffectsMasterVolume(void* self, int8_t level) { enter(gta::kApplySfxVolume, self, {level}); }
void MEMBER setMusicMasterVolume(void* self, int8_t level) { enter(gta::kApplyMusicVolume, self, {level}); }
void MEMBER setBassEnhanceOnOff(void* self, uint8_t on) { enter(gta::kApplyRadioEq, self, {on}); }
void MEMBER setRadioAutoRetuneOnOff(void* self, uint8_t on) { enter(gta::kApplyRadioAutoRetune, self, {on}); }

const Routine kRoutines[] = {
    {gta::kSaveSettings, reinterpret_cast<void*>(&saveSettings)},
    {gta::kReinitControls, reinterpret_cast<void*>(&reinitControls)},
    {gta::kDeleteMatchingActionInitiators, reinterpret_cast<void*>(&deleteMatchingActionInitiators)},
    {gta::kClearActionSlot, reinterpret_cast<void*>(&clearActionSlot)},
    {gta::kSetKeyboardKeyForAction, reinterpret_cast<void*>(&setKeyboardKeyForAction)},
    {gta::kSetMouseButtonForAction, reinterpret_cast<void*>(&setMouseButtonForAction)},
    {gta::kSwitchMenuPage, reinterpret_cast<void*>(&switchMenuPage)},
    {gta::kGetResolutionModeCount, reinterpret_cast<void*>(&getResolutionModeCount)},
    {gta::kGetResolutionModeInfo, reinterpret_cast<void*>(&getResolutionModeInfo)},
    {gta::kApplySfxVolume, reinterpret_cast<void*>(&setEffectsMasterVolume)},
    {gta::kApplyMusicVolume, reinterpret_cast<void*>(&setMusicMasterVolume)},
    {gta::kApplyRadioEq, reinterpret_cast<void*>(&setBassEnhanceOnOff)},
    {gta::kApplyRadioAutoRetune, reinterpret_cast<void*>(&setRadioAutoRetuneOnOff)},
};
static_assert(sizeof kRoutines / sizeof kRoutines[0] <= sizeof behaviours / sizeof behaviours[0], "one behaviour each");

int routineIndex(uintptr_t address) {
  for (int i = 0; i < static_cast<int>(sizeof kRoutines / sizeof kRoutines[0]); ++i)
    if (kRoutines[i].address == address) return i;
  std::abort();
}

void writeBytes(uintptr_t address, std::initializer_list<uint8_t> bytes) {
  std::memcpy(reinterpret_cast<void*>(address), bytes.begin(), bytes.size());
}

// The persistence routines begin with the supported build's bytes on both targets.
void writePersistenceCode() {
  writeBytes(gta::kSaveSettings, {0x83, 0xEC, 0x0C, 0x56, 0x57, 0x8B, 0xF9, 0xE8});
  writeBytes(gta::kPersistenceHelper, {0x83, 0xEC, 0x44, 0x56, 0x57, 0x8B, 0xF9, 0xE8});
  std::memset(reinterpret_cast<void*>(gta::kPersistenceHelper + 8), 0xCC, kCodeBytes - 8);  // int3: never run
}

#if defined(__i386__)

void writeRel32(uintptr_t at, const void* target) {
  const int32_t offset = static_cast<int32_t>(reinterpret_cast<uintptr_t>(target) - (at + 4));
  std::memcpy(reinterpret_cast<void*>(at), &offset, sizeof offset);
}

// 32-bit: the routines are real code. SaveSettings runs its genuine first eight bytes, calls
// the stand-in with the receiver still in ECX and returns as the game's routine would; every
// other routine is a jump to its stand-in, which has the routine's own calling form.
void writeRoutineCode() {
  for (const Routine& routine : kRoutines) {
    DWORD old;
    ::VirtualProtect(reinterpret_cast<void*>(routine.address), kCodeBytes, PAGE_EXECUTE_READWRITE, &old);
    if (routine.address == gta::kSaveSettings) continue;
    writeBytes(routine.address, {0xE9});  // jmp rel32
    writeRel32(routine.address + 1, routine.standIn);
  }
  writePersistenceCode();
  writeRel32(gta::kSaveSettings + 8, reinterpret_cast<void*>(&saveSettings));  // completes the call rel32
  writeBytes(gta::kSaveSettings + 12, {
                                          0x5F,              // pop edi
                                          0x5E,              // pop esi
                                          0x83, 0xC4, 0x0C,  // add esp, 12
                                          0xC3,              // ret
                                      });
  ::FlushInstructionCache(::GetCurrentProcess(), reinterpret_cast<void*>(0x401000), 0xCA0000 - 0x401000);
}

#else

// 64-bit: the code bytes are x86 code that cannot run here, so the game range stays data and a
// call into a routine address faults on execution; this handler, which sees the fault before
// any frame-based handler, resumes the call in the routine's stand-in with the caller's
// arguments and return address untouched.
LONG CALLBACK enterStandIn(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD* record = exception->ExceptionRecord;
  if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->ExceptionInformation[0] != EXCEPTION_EXECUTE_FAULT)
    return EXCEPTION_CONTINUE_SEARCH;
  for (const Routine& routine : kRoutines) {
    if (exception->ContextRecord->Rip != routine.address) continue;
    exception->ContextRecord->Rip = reinterpret_cast<DWORD64>(routine.standIn);
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

void writeRoutineCode() {
  writePersistenceCode();
  ::AddVectoredExceptionHandler(1, enterStandIn);
}

constexpr uintptr_t kPageBytes = 4096;

uintptr_t pageOf(uintptr_t address) { return address & ~(kPageBytes - 1); }

// jmp qword [rip+0] followed by the stand-in's address, on a page made executable. The page of
// SaveSettings is left alone: its bytes are the build's x86 code, which must never run here.
void writeDirectJumps() {
  for (const Routine& routine : kRoutines) {
    if (pageOf(routine.address) == pageOf(gta::kSaveSettings)) continue;
    DWORD old;
    ::VirtualProtect(reinterpret_cast<void*>(pageOf(routine.address)), kPageBytes, PAGE_EXECUTE_READWRITE, &old);
    writeBytes(routine.address, {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00});  // jmp [rip+0]
    const uint64_t target = reinterpret_cast<uint64_t>(routine.standIn);
    std::memcpy(reinterpret_cast<void*>(routine.address + 6), &target, sizeof target);
  }
  ::FlushInstructionCache(::GetCurrentProcess(), reinterpret_cast<void*>(0x401000), 0xCA0000 - 0x401000);
}

#endif

uintptr_t ntHeaders() {
  return kImageBase + gameValue<uint32_t>(kImageBase + 0x3C);
}

void makeHeadersWritable() {
  DWORD old;
  ::VirtualProtect(reinterpret_cast<void*>(kImageBase), 4096, PAGE_READWRITE, &old);
}

void writePlausibleValues() {
  setGameValue<float>(gta::kMouseSensitivity, 0.0025f);
  setGameValue<uint8_t>(gta::kInvertY, 0);
  setGameValue<uint8_t>(gta::kMouseSteer, 1);
  setGameValue<uint8_t>(gta::kMouseFly, 1);
  setGameValue<uint8_t>(gta::kHud, 1);
  setGameValue<int32_t>(gta::kRadarMode, 0);
  setGameValue<int32_t>(gta::kBrightness, 256);
  setGameValue<float>(gta::kDrawDistance, 1.2f);
  setGameValue<float>(gta::kLodDistanceScale, 1.2f);
  setGameValue<uint8_t>(gta::kSubtitles, 1);
  setGameValue<uint8_t>(gta::kWidescreen, 0);
  setGameValue<uint8_t>(gta::kFrameLimiter, 1);
  setGameValue<uint8_t>(gta::kRadioAuto, 1);
  setGameValue<uint8_t>(gta::kSfxVolume, 64);
  setGameValue<uint8_t>(gta::kMusicVolume, 64);
  setGameValue<uint8_t>(gta::kRadioEq, 1);
  setGameValue<uint8_t>(gta::kGameMenuActive, 0);
  setGameValue<int32_t>(gta::kResolutionMode, kCurrentModeAtStart);
  setGameValue<int32_t>(gta::kResolutionModeSecondary, kCurrentModeAtStart);
  setGameValue<int32_t>(gta::kPlayerPed, 0);  // the player is not in the world yet
  setGameValue<int32_t>(gta::kResolutionGate, 1);
}

}  // namespace

void installGame() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  makeHeadersWritable();
  setImageHeaders(gta::kTimeDateStamp, gta::kEntryPointRva);
  writePlausibleValues();
  writeRoutineCode();
}

void setImageHeaders(uint32_t timeDateStamp, uint32_t entryPointRva) {
  makeHeadersWritable();
  setGameValue<uint32_t>(ntHeaders() + 8, timeDateStamp);
  setGameValue<uint32_t>(ntHeaders() + 0x28, entryPointRva);
}

void pointNtHeadersAtNoAccessPage() {
  // The header's offset field is 32 bits wide; this program's allocations stay below 4 GB.
  if (noAccessPage() - kImageBase > 0xFFFFFFFFu) std::abort();
  makeHeadersWritable();
  setGameValue<uint32_t>(kImageBase + 0x3C, static_cast<uint32_t>(noAccessPage() - kImageBase));
}

uintptr_t noAccessAddress() { return noAccessPage(); }

void setRoutineBehaviour(uintptr_t routine, RoutineBehaviour behaviour) { behaviours[routineIndex(routine)] = behaviour; }

void setVideoModes(std::vector<VideoMode> modes) {
  freeVideoModeList();
  videoModes = std::move(modes);
}

void setResolutionModes(std::vector<std::pair<int32_t, int32_t>> modes) {
  std::vector<VideoMode> exclusive;
  for (const auto& size : modes) exclusive.push_back({size.first, size.second, 32, kExclusive});
  setVideoModes(std::move(exclusive));
}

void setVideoMemoryBytes(int64_t bytes) { videoMemoryBytes = bytes; }

void buildVideoModeList() {
  if (modeNames() != nullptr) return;
  char** names = static_cast<char**>(std::calloc(videoModes.size() + 1, sizeof(char*)));
  for (size_t mode = 0; mode < videoModes.size(); ++mode) {
    const VideoMode& video = videoModes[mode];
    if (!gameListsMode(video)) continue;
    names[mode] = static_cast<char*>(std::calloc(100, 1));
    std::snprintf(names[mode], 100, "%d X %d X %d", video.width, video.height, video.depth);
  }
  setGameValue<char**>(gta::kVideoModeNames, names);
}

bool visitDisplayPage() {
  buildVideoModeList();
  const int32_t current = gameValue<int32_t>(gta::kResolutionMode);
  if (current < 0 || current >= static_cast<int32_t>(videoModes.size())) return false;
  return modeNames()[current] != nullptr;
}

uint32_t actionKey(int action, int slot) { return gameValue<uint32_t>(slotAddress(action, slot)); }

void setActionKey(int action, int slot, uint32_t key) { setGameValue<uint32_t>(slotAddress(action, slot), key); }

uint32_t defaultActionKey(int action, int slot) { return kDefaultBindings[action][slot]; }

void setGameMenuStartDelay(uint64_t ms) { menuStartDelayMs = ms; }

int32_t gameMenuPage() { return gameValue<uint8_t>(gta::kGameMenuActive) != 0 ? menuPage : 0; }

void runGameFrame() {
  bool escJustPressed = false;
  const std::vector<KeyMessage> keys = keyMessagesReceived();
  for (; keyMessagesHandled < keys.size(); ++keyMessagesHandled)
    if (keys[keyMessagesHandled].message == WM_KEYDOWN && keys[keyMessagesHandled].virtualKey == VK_ESCAPE)
      escJustPressed = true;
  const bool requested = gameValue<uint8_t>(gta::kMenuStartRequest) != 0;
  if (requested && !requestSeen) {
    requestSeen = true;
    requestSeenAt = tickMs();
  }
  const bool heldOff =
      requestSeen && (menuStartDelayMs == kMenuNeverStarts || tickMs() - requestSeenAt < menuStartDelayMs);
  if (heldOff) return;
  const bool active = gameValue<uint8_t>(gta::kGameMenuActive) != 0;
  if (requested && !active) {
    showMenu();
  } else if (escJustPressed) {
    if (active) leaveMenu();
    else showMenu();
  }
  setGameValue<uint8_t>(gta::kMenuStartRequest, 0);
  requestSeen = false;
}

void setRecordRoutineCalls(bool record) { recordCalls.store(record); }

void useDirectRoutineCode() {
#if !defined(__i386__)
  writeDirectJumps();
#endif
}

std::vector<RoutineCall> routineCalls() {
  std::lock_guard<std::mutex> hold(callsLock);
  return calls;
}

std::vector<RoutineCall> callsOf(uintptr_t routine) {
  std::vector<RoutineCall> matching;
  for (const RoutineCall& call : routineCalls())
    if (call.routine == routine) matching.push_back(call);
  return matching;
}

void clearRoutineCalls() {
  std::lock_guard<std::mutex> hold(callsLock);
  calls.clear();
}

}  // namespace sim
