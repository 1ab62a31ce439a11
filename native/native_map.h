// The game's own map page, opened from the pause menu: the game is asked to open its menu (it
// does so in its own next frame), the menu is switched to its map page once it is up, and ESC is handed back to the module when the player leaves it.
#pragma once

#include <cstdint>

// The game's menu is given this long to come up before the first switch to the map page.
inline constexpr uint64_t kMapSwitchDelayMs = 250;
// A game menu still not active this long after the start counts as failed.
inline constexpr uint64_t kMapGiveUpMs = 1500;

// Asks the game to open its menu and arms the switch to the map page; false (logged) without
// native support or when the request faults. The caller has handed ESC to the game already. Game thread.
bool startNativeMap();

// Every frame: once 250 ms have passed since the start, switches to the map page as soon as the
// game's menu is active; gives up after 1500 ms. A failure reopens the pause menu. Game thread.
void pollNativeMap();

// Every frame after the poll: once the player has left the game's menu, ESC belongs to the
// module again. The pause menu stays shut until the player's next ESC. Game thread.
void noticeGameMenuLeft();
