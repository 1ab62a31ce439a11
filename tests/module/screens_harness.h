// Drives the module's code linked into this test program as the host does: the recording host
// table, the fake clock, frames followed by the host's answers, and the log's messages.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/exports.h"
#include "core/plugin_state.h"
#include "log/log_file.h"
#include "sim/fake_clock.h"
#include "sim/game_window.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"

namespace screens_harness {

inline void startModule() {
  sim::installFakeClock(::GetModuleHandleW(nullptr));
  const HostApi table = sim::hostTable();
  cef_initialize(&table);
}

inline void runFrame() {
  sim::pumpMessages();
  sim::runGameFrame();
  cef_samp_mainloop();
  sim::deliverCreatedBrowsers(&cef_browser_created);
}

inline void runFrames(int count, uint64_t stepMs) {
  for (int i = 0; i < count; ++i) {
    sim::advanceMs(stepMs);
    runFrame();
  }
}

// The log's messages without their time stamps.
inline std::vector<std::string> logMessages() {
  std::vector<std::string> messages;
  FILE* file = std::fopen(logFilePath().c_str(), "rb");
  if (file == nullptr) return messages;
  std::string bytes;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  std::fclose(file);
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    messages.push_back(bytes.substr(start + 15, end - start - 15));  // "[HH:MM:SS.mmm] "
  return messages;
}

// The messages that begin with one of the prefixes, in order: one area's lines while others log.
inline std::vector<std::string> logMessagesStartingWith(std::initializer_list<const char*> prefixes) {
  std::vector<std::string> lines;
  for (const std::string& line : logMessages())
    for (const char* prefix : prefixes)
      if (line.rfind(prefix, 0) == 0) {
        lines.push_back(line);
        break;
      }
  return lines;
}

inline int logCount(const std::string& message) {
  int count = 0;
  for (const std::string& line : logMessages()) count += line == message ? 1 : 0;
  return count;
}

inline sim::HostCall hide(uint32_t id, int32_t hidden) { return {sim::HostFn::Hide, id, hidden, 0, "", 0}; }
inline sim::HostCall focus(uint32_t id, int32_t focused) { return {sim::HostFn::Focus, id, focused, 0, "", 0}; }

inline std::string calls(std::initializer_list<sim::HostCall> expected) { return sim::describe(expected); }
inline std::string recorded() { return sim::describe(sim::hostCalls()); }
inline std::string recordedFor(uint32_t id) { return sim::describe(sim::hostCallsFor(id)); }

}  // namespace screens_harness
