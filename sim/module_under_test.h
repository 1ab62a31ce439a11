// Loads the module into the simulated game process and drives it as the host does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/host_api.h"

namespace sim {

struct ModuleExports {
  HMODULE handle;
  void(__cdecl* initialize)(const HostApi*);
  void(__cdecl* quit)();
  void(__cdecl* connect)();
  void(__cdecl* disconnect)();
  void(__cdecl* dxreset)();
  void(__cdecl* mainloop)();
  void(__cdecl* browserCreated)(uint32_t, int32_t);
};

// TembraUI.dll from this program's directory, with the fake clock installed: loaded on first
// use, and again after unloadModule.
const ModuleExports& module();

// FreeLibrary, as the host does after cef_quit; true when the module is gone from the process.
bool unloadModule();

// cef_initialize with the recording host table.
void initializeWithHost();

// One game frame: the window's messages, the game's own work, cef_samp_mainloop, then the host's answers.
void runFrame();

// Advances the clock by stepMs before each of count frames.
void runFrames(int count, uint64_t stepMs);

std::wstring programDirectory();
std::wstring logPath();

// The raw bytes of TembraUI.log; empty when it does not exist.
std::string readLogBytes();

// The log's lines with their time stamps cut off (byte-order mark skipped).
std::vector<std::string> logMessages();

// The messages that begin with one of the tags (e.g. "[LOADING]"), so a test can check the order
// of one area's lines while the worker threads log on their own schedule.
std::vector<std::string> logMessagesTagged(const std::vector<std::string>& tags);

// Whether some log line equals the message exactly; how many do.
bool logHas(const std::string& message);
int logCount(const std::string& message);

}  // namespace sim
