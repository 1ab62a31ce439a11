// The directory of the running game executable.
#include "log/executable_directory.h"

#include <windows.h>

namespace {
constexpr DWORD kModulePathMaxChars = 4096;
}

std::wstring executableDirectory() {
  // On the stack: every log line asks for it, and a line must still be written when the heap
  // is nearly exhausted.
  wchar_t path[kModulePathMaxChars] = {};
  // No module handle: the game's executable, which is where players look for the log.
  const DWORD length = ::GetModuleFileNameW(nullptr, path, kModulePathMaxChars);
  if (length == 0) return L".";
  std::wstring full(path, length);
  const size_t separator = full.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return full;
  return full.substr(0, separator);
}
