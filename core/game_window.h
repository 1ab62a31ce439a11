// The search for the game's main window.
#pragma once

#include <windows.h>

// The first visible, unowned top-level window of this process with the game's class, or null.
HWND findGameWindow();
