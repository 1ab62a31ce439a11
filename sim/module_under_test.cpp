// Loads the module into the simulated game process and drives it as the host does.
#include "sim/module_under_test.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace sim {
namespace {

template <typename Fn>
void resolve(HMODULE handle, const char* name, Fn& slot) {
  slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(handle, name)));
  if (slot == nullptr) {
    std::fprintf(stderr, "simulated host: export %s missing\n", name);
    std::abort();
  }
}

ModuleExports load() {
  ModuleExports exports{};
  // Every simulated game process starts without the log of the one before; a module loaded
  // again in the same process finds the log of its predecessor.
  static bool firstLoad = true;
  if (firstLoad) ::DeleteFileW(logPath().c_str());
  firstLoad = false;
  exports.handle = ::LoadLibraryW((programDirectory() + L"\\TembraUI.dll").c_str());
  if (exports.handle == nullptr) {
    std::fprintf(stderr, "simulated host: cannot load TembraUI.dll (Win32=%lu)\n", ::GetLastError());
    std::abort();
  }
  if (!installFakeClock(exports.handle)) {
    std::fprintf(stderr, "simulated host: module does not import GetTickCount64/GetLocalTime\n");
    std::abort();
  }
  resolve(exports.handle, "cef_initialize", exports.initialize);
  resolve(exports.handle, "cef_quit", exports.quit);
  resolve(exports.handle, "cef_connect", exports.connect);
  resolve(exports.handle, "cef_disconnect", exports.disconnect);
  resolve(exports.handle, "cef_dxreset", exports.dxreset);
  resolve(exports.handle, "cef_samp_mainloop", exports.mainloop);
  resolve(exports.handle, "cef_browser_created", exports.browserCreated);
  return exports;
}

ModuleExports loaded{};

}  // namespace

const ModuleExports& module() {
  if (loaded.handle == nullptr) loaded = load();
  return loaded;
}

bool unloadModule() {
  if (loaded.handle == nullptr) return true;
  const BOOL freed = ::FreeLibrary(loaded.handle);
  loaded = ModuleExports{};
  return freed && ::GetModuleHandleW(L"TembraUI.dll") == nullptr;
}

void initializeWithHost() {
  const HostApi table = hostTable();
  module().initialize(&table);
}

void runFrame() {
  pumpMessages();
  runGameFrame();
  module().mainloop();
  deliverCreatedBrowsers(module().browserCreated);
}

void runFrames(int count, uint64_t stepMs) {
  for (int i = 0; i < count; ++i) {
    advanceMs(stepMs);
    runFrame();
  }
}

std::wstring programDirectory() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path);
  return full.substr(0, full.find_last_of(L"\\/"));
}

std::wstring logPath() { return programDirectory() + L"\\TembraUI.log"; }

std::string readLogBytes() {
  std::string bytes;
  FILE* file = _wfopen(logPath().c_str(), L"rb");
  if (file == nullptr) return bytes;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  std::fclose(file);
  return bytes;
}

std::vector<std::string> logMessages() {
  std::string bytes = readLogBytes();
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  std::vector<std::string> messages;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = bytes.substr(start, end - start);
    // "[HH:MM:SS.mmm] " is 15 bytes.
    messages.push_back(line.size() >= 15 ? line.substr(15) : line);
  }
  return messages;
}

std::vector<std::string> logMessagesTagged(const std::vector<std::string>& tags) {
  std::vector<std::string> tagged;
  for (const std::string& message : logMessages())
    for (const std::string& tag : tags)
      if (message.rfind(tag, 0) == 0) {
        tagged.push_back(message);
        break;
      }
  return tagged;
}

bool logHas(const std::string& message) { return logCount(message) > 0; }

int logCount(const std::string& message) {
  const std::vector<std::string> messages = logMessages();
  return static_cast<int>(std::count(messages.begin(), messages.end(), message));
}

}  // namespace sim
