// The thread's exception registration chain around the fault guard. On the 32-bit game it is
// the fs:0 list the guard links its record into; a guard that left its record behind would
// send the game's next exception into a dead stack frame. The 64-bit build keeps no such list,
// so there the same cases only prove the guard's results.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "native/fault_guard.h"

namespace {

// NT_TIB's first field, ExceptionList, read straight from the thread block.
__attribute__((noinline)) void* chainHead() {
  void* head;
#if defined(__i386__)
  __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
#else
  __asm__ __volatile__("movq %%gs:0, %0" : "=r"(head));
#endif
  return head;
}

__attribute__((noinline)) void readNoAccessPage(void* page) {
  volatile int value = *static_cast<volatile int*>(page);
  (void)value;
}

void* noAccessPage() {
  static void* page = ::VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
  return page;
}

TEST(FaultGuardChain, IsRestoredAfterEveryWayAGuardEnds) {
  void* const before = chainHead();
  EXPECT_TRUE(runGuarded([](void*) {}, nullptr));
  EXPECT_EQ(chainHead(), before) << "after a normal return";
  EXPECT_FALSE(runGuarded([](void* page) { readNoAccessPage(page); }, noAccessPage()));
  EXPECT_EQ(chainHead(), before) << "after an access violation";
  EXPECT_FALSE(runGuarded([](void*) { ::RaiseException(0xE0001234, 0, 0, nullptr); }, nullptr));
  EXPECT_EQ(chainHead(), before) << "after RaiseException";
  EXPECT_FALSE(runGuarded([](void*) { throw std::runtime_error("routine"); }, nullptr));
  EXPECT_EQ(chainHead(), before) << "after a C++ throw";
}

TEST(FaultGuardChain, FaultsInARowEachFindTheirOwnGuard) {
  void* const before = chainHead();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(runGuarded([](void* page) { readNoAccessPage(page); }, noAccessPage())) << "fault " << i;
    ASSERT_EQ(chainHead(), before) << "fault " << i;
  }
  // An exception after the guards must reach the handler that was there before them.
  bool caught = false;
  try {
    throw std::logic_error("after the guards");
  } catch (const std::logic_error&) {
    caught = true;
  }
  EXPECT_TRUE(caught);
}

TEST(FaultGuardChain, NestedGuardsUnwindOnlyTheirOwnRecords) {
  void* const before = chainHead();
  struct Outcome {
    bool inner = true;
    void* chainInside = nullptr;
    void* chainAfterInner = nullptr;
  } outcome;
  const bool outer = runGuarded(
      [](void* context) {
        auto* result = static_cast<Outcome*>(context);
        result->chainInside = chainHead();
        result->inner = runGuarded([](void* page) { readNoAccessPage(page); }, noAccessPage());
        result->chainAfterInner = chainHead();
      },
      &outcome);
  EXPECT_TRUE(outer) << "the inner fault must stay inside the inner guard";
  EXPECT_FALSE(outcome.inner);
  EXPECT_EQ(outcome.chainAfterInner, outcome.chainInside);
  EXPECT_EQ(chainHead(), before);
}

}  // namespace
