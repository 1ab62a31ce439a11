// Ids of the three browsers the module makes and of the two the game server makes.
#pragma once

#include <cstdint>

inline constexpr uint32_t kHudBrowserId = 0x7F002002;
inline constexpr uint32_t kLoadingBrowserId = 0x7F002003;
inline constexpr uint32_t kPauseBrowserId = 0x7F002009;  // "LocalUI" in the log
inline constexpr uint32_t kMinimapBrowserId = 0x12362;   // made by the server
inline constexpr uint32_t kAuthBrowserId = 0x12365;      // made by the server
