// Real key presses through xdotool, started from inside Wine, and the windows that receive them.
#include "sim/real_input.h"

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

#include "sim/game_window.h"

namespace sim {
namespace {

constexpr DWORD kXdotoolTimeoutMs = 10000;
constexpr DWORD kPollMs = 5;
constexpr int kFrontAttempts = 3;
constexpr DWORD kFrontWaitMs = 3000;
constexpr DWORD kRefusedFocusWaitMs = 200;
constexpr wchar_t kForeignWindowClass[] = L"TembraForeignWindow";

std::wstring thisProgramDirectory() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path);
  return full.substr(0, full.find_last_of(L"\\/"));
}

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Wine starts a host program from its Unix path but hands back no usable process handle, so
// the shell around xdotool writes its exit status to a file that is polled here. Z: is the
// host's root directory in every Wine prefix.
std::string statusFileName() {
  static std::atomic<int> calls{0};
  return "/tmp/tembra-xdotool-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(calls++);
}

std::wstring windowsPathOfHostFile(const std::string& hostPath) {
  std::wstring path = L"Z:" + widen(hostPath);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

bool readStatus(const std::wstring& path, int& status) {
  FILE* file = _wfopen(path.c_str(), L"r");
  if (file == nullptr) return false;
  const bool complete = std::fscanf(file, "%d", &status) == 1;
  std::fclose(file);
  return complete;
}

}  // namespace

int runXdotool(const std::string& arguments) {
  const std::string statusFile = statusFileName();
  const std::wstring statusPath = windowsPathOfHostFile(statusFile);
  // Written under a temporary name and renamed, so a half-written status is never read.
  std::wstring command = widen("/bin/sh -c \"xdotool " + arguments + "; echo $? >" + statusFile + ".part && mv " +
                               statusFile + ".part " + statusFile + "\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "runXdotool: cannot start /bin/sh (Win32=%lu)\n", ::GetLastError());
    return -1;
  }
  int status = -1;
  const ULONGLONG deadline = ::GetTickCount64() + kXdotoolTimeoutMs;
  while (!readStatus(statusPath, status)) {
    if (::GetTickCount64() > deadline) {
      std::fprintf(stderr, "runXdotool: \"xdotool %s\" did not finish\n", arguments.c_str());
      return -1;
    }
    ::Sleep(kPollMs);
  }
  ::DeleteFileW(statusPath.c_str());
  return status;
}

bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    pumpMessages();
    if (condition()) return true;
    if (::GetTickCount64() > deadline) return false;
    ::Sleep(kPollMs);
  }
}

void pumpFor(DWORD ms) {
  pumpUntil([] { return false; }, ms);
}

bool bringToFront(HWND window) {
  // Wine's X11 driver keeps the X window of each top-level window in this property.
  const auto xWindow = reinterpret_cast<uintptr_t>(::GetPropW(window, L"__wine_x11_whole_window"));
  if (xWindow == 0) {
    std::fprintf(stderr, "bringToFront: the window has no X window\n");
    return false;
  }
  // Another program's window taking the front at the same moment can win the first attempt,
  // and a window its program has only just shown may not be mapped on the X server yet, which
  // then refuses the focus (BadMatch); so the request is repeated a few times before the test
  // gives up.
  for (int attempt = 0; attempt < kFrontAttempts; ++attempt) {
    ::SetForegroundWindow(window);
    if (runXdotool("windowfocus --sync " + std::to_string(xWindow)) != 0) {
      pumpFor(kRefusedFocusWaitMs);
      continue;
    }
    if (pumpUntil([window] { return ::GetForegroundWindow() == window; }, kFrontWaitMs)) return true;
  }
  std::fprintf(stderr, "bringToFront: the window did not come to the front\n");
  return false;
}

ForeignWindow startForeignWindow() {
  ForeignWindow foreign;
  std::wstring command = L"\"" + thisProgramDirectory() + L"\\foreign_window.exe\" " + std::to_wstring(::GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "startForeignWindow: cannot start foreign_window.exe (Win32=%lu)\n", ::GetLastError());
    return foreign;
  }
  ::CloseHandle(process.hThread);
  foreign.process = process.hProcess;
  pumpUntil([&foreign] {
    foreign.window = ::FindWindowW(kForeignWindowClass, nullptr);
    return foreign.window != nullptr;
  });
  // Its window takes the front as it is shown; once the program waits for input, that is over
  // and cannot undo a later bringToFront.
  ::WaitForInputIdle(foreign.process, kXdotoolTimeoutMs);
  pumpMessages();
  return foreign;
}

int foreignEscapeCount(const ForeignWindow& foreign) {
  wchar_t title[32] = {};
  ::GetWindowTextW(foreign.window, title, 32);
  int count = -1;
  std::swscanf(title, L"esc=%d", &count);
  return count;
}

}  // namespace sim
