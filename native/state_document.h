// The JSON state document served at "/state": built on the game thread, cached under its lock,
// copied out by the bridge thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "native/state_json.h"

// Unforced rebuilds happen at most this often.
inline constexpr uint64_t kStateRefreshIntervalMs = 120;

// A complete document from the current flags, counters and game values. Game thread.
std::string buildStateDocument();

// Rebuilds the cached document when forced or when 120 ms passed since the last build. Game thread.
void refreshStateDocument(bool force);

// A copy of the cached document; kNoStateDocument until the locks exist. Any thread.
std::string readStateDocument();

// The modes a page may offer for the current mode index: each size of at least 640 x 480 once,
// sorted by width and height. Game thread.
std::vector<ResolutionOption> listResolutionOptions(int32_t current);
