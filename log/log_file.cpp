// Writes the log file: one open, one write and one close per line, so the file is complete
// up to the last line even if the game dies right after it.
#include "log/log_file.h"

#include <windows.h>

#include "log/executable_directory.h"
#include "log/log_line.h"
#include "log/wide_text.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Append-only handles make each write land at the current end of the file on Windows, but
// not under Wine, where two threads appending at once can overwrite each other's line.
// Serialising our own writers keeps every line whole; it is held only for one open, write
// and close, never while anything else is done.
SRWLOCK writerLock = SRWLOCK_INIT;

// The path travels as UTF-8 and is widened again for the open, so a game directory with
// non-ASCII characters still gets its log (the narrow file API would read it as ANSI).
HANDLE openLog(const std::wstring& path, DWORD access, DWORD disposition) {
  if (path.empty()) return INVALID_HANDLE_VALUE;
  return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void writeAll(HANDLE file, const char* bytes, size_t size) {
  DWORD written = 0;
  // Nothing is reported: a caller cannot act on a lost log line.
  ::WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
}

}  // namespace

std::string logFilePath() { return wideToUtf8(executableDirectory() + L"\\TembraUI.log"); }

void logLine(const std::string& message) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  const std::string line = formatLogLine({now.wHour, now.wMinute, now.wSecond, now.wMilliseconds}, message);
  // Everything that allocates happens before the lock: a failed allocation inside it would leave
  // the lock held and hang every later line, the game thread's included.
  const std::wstring path = utf8ToWide(logFilePath());
  ::AcquireSRWLockExclusive(&writerLock);
  HANDLE file = openLog(path, FILE_APPEND_DATA, OPEN_ALWAYS);
  if (file != INVALID_HANDLE_VALUE) {
    writeAll(file, line.data(), line.size());
    ::CloseHandle(file);
  }
  ::ReleaseSRWLockExclusive(&writerLock);
}

void resetLog() {
  const std::wstring path = utf8ToWide(logFilePath());
  ::AcquireSRWLockExclusive(&writerLock);
  HANDLE file = openLog(path, GENERIC_WRITE, CREATE_ALWAYS);
  if (file != INVALID_HANDLE_VALUE) {
    writeAll(file, kByteOrderMark, sizeof(kByteOrderMark) - 1);
    ::CloseHandle(file);
  }
  ::ReleaseSRWLockExclusive(&writerLock);
}
