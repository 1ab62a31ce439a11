// Holds one of the module's two locks for a scope, so the lock is left also when a copy inside
// it runs out of memory.
#pragma once

#include <windows.h>

class LockHold {
 public:
  explicit LockHold(CRITICAL_SECTION& lock) : lock_(lock) { ::EnterCriticalSection(&lock_); }
  ~LockHold() { ::LeaveCriticalSection(&lock_); }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;

 private:
  CRITICAL_SECTION& lock_;
};
