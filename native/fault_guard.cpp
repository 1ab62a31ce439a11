// The fault guard on both targets: a frame-based structured exception handler that accepts
// every exception, around a call that owns no C++ objects, inside a catch-all for C++ throws.
#include "native/fault_guard.h"

#include <windows.h>

namespace {

// GCC raises its own throws as this SEH code on x86_64; they are left to the C++ catch-all
// below, because taking one over in the SEH handler leaves the C++ runtime mid-throw.
constexpr DWORD kGccThrowCode = 0x20474343;

}  // namespace

#if defined(__i386__)

// 32-bit: a registration record linked by hand on the thread's exception chain (fs:0). The
// handler jumps back into guardedCall's frame with __builtin_longjmp, dropping every frame
// and chain record the faulting code had added.
namespace {

struct GuardRecord {
  GuardRecord* next;  // the chain record this one was pushed over
  void* handler;
  void* jumpBuffer[5];  // __builtin_setjmp: frame pointer, landing address, stack pointer
};

GuardRecord* chainHead() {
  GuardRecord* head;
  __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void setChainHead(GuardRecord* head) { __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory"); }

extern "C" EXCEPTION_DISPOSITION __cdecl tembraGuardHandler(EXCEPTION_RECORD* exception, void* establisher,
                                                           CONTEXT* /*context*/, void* /*dispatcher*/) {
  if ((exception->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) return ExceptionContinueSearch;
  if (exception->ExceptionCode == kGccThrowCode) return ExceptionContinueSearch;
  __builtin_longjmp(static_cast<GuardRecord*>(establisher)->jumpBuffer, 1);
}

// noipa: the landing pad must stay in its own frame; the body is always a real call, since
// GCC drops the landing pad of a region without one.
__attribute__((noipa)) bool guardedCall(GuardedBody body, void* context) {
  GuardRecord record;
  record.next = chainHead();
  record.handler = reinterpret_cast<void*>(&tembraGuardHandler);
  if (__builtin_setjmp(record.jumpBuffer) != 0) {
    setChainHead(record.next);
    return false;
  }
  setChainHead(&record);
  body(context);
  setChainHead(record.next);
  return true;
}

}  // namespace

bool runGuarded(GuardedBody body, void* context) {
  GuardRecord* const head = chainHead();
  try {
    return guardedCall(body, context);
  } catch (...) {
    // A C++ throw unwinds by tables past guardedCall, leaving its record on the chain.
    setChainHead(head);
    return false;
  }
}

#elif defined(__x86_64__)

// 64-bit: guardedCall's unwind data names the system's scope-table handler with one scope
// around the body's call; its filter accepts everything but a C++ throw, and the system
// unwinds to the scope's end, restoring the stack and the saved registers.
extern "C" __attribute__((used)) LONG tembraGuardFilter(EXCEPTION_POINTERS* exception, void* /*frame*/) {
  return exception->ExceptionRecord->ExceptionCode == kGccThrowCode ? EXCEPTION_CONTINUE_SEARCH
                                                                    : EXCEPTION_EXECUTE_HANDLER;
}

namespace {

// noipa: the scope labels exist once, so this frame must never be inlined or cloned.
__attribute__((noipa)) bool guardedCall(GuardedBody body, void* context) {
  volatile int completed = 0;
  __asm__ __volatile__(
      ".Ltembra_guard_begin:\n"
      "\t.seh_handler __C_specific_handler, @except\n"
      "\t.seh_handlerdata\n"
      "\t.long 1\n"  // one scope entry: begin, end, filter, landing address
      "\t.rva .Ltembra_guard_begin, .Ltembra_guard_end, tembraGuardFilter, .Ltembra_guard_end\n"
      "\t.text\n" ::: "memory");
  body(context);
  completed = 1;
  __asm__ __volatile__(
      "\tnop\n"
      ".Ltembra_guard_end:\n"
      "\tnop\n" ::: "memory");
  return completed != 0;
}

}  // namespace

bool runGuarded(GuardedBody body, void* context) {
  try {
    return guardedCall(body, context);
  } catch (...) {
    return false;
  }
}

#else
#error "the fault guard is written for x86 and x86_64"
#endif
