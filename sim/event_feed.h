// A line-per-event account of what the module did to the simulated host and game, written to a
// file that a program outside Wine follows (the sandbox opens real browsers from it).
#pragma once

#include <windows.h>

#include <string>

namespace sim {

// Starts the feed in a file (a Windows path; Z:\tmp\... for a host file). False when it cannot
// be created; every later call then does nothing.
bool openEventFeed(const std::wstring& path);

// One line of its own, e.g. "game window 1234567" or "game closed".
void feedEvent(const std::string& line);

// The host calls, game routine calls and game value changes since the last call, one line each:
//   host create <id> <flagA> <flagB> <url> | host hide <id> <hidden> | host focus <id> <focused>
//   game call <routine> <arguments...> | game value <name> <value>
void feedNewEvents();

}  // namespace sim
