// Real top-level windows for the simulated game: the game's main window and decoys.
#pragma once

#include <windows.h>

#include <vector>

namespace sim {

constexpr wchar_t kGameWindowClass[] = L"Grand theft auto San Andreas";

// Creates a top-level window of the given class (registered on first use), optionally owned.
HWND createWindow(const wchar_t* className, bool visible, HWND owner = nullptr);

// The game's main window: visible, unowned, of the game's class.
HWND createGameWindow(bool visible = true);

// Handles pending messages of this thread's windows, as the game's own loop would: a frame's share
// of them, the rest in the next frames.
void pumpMessages();

// A key message one of these windows received: WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP.
struct KeyMessage {
  UINT message;
  WPARAM virtualKey;
};

// Every key message these windows have received, in order; what the module let reach the game.
std::vector<KeyMessage> keyMessagesReceived();
int keyMessageCount(UINT message, WPARAM virtualKey);

// How many WM_CLOSE messages these windows have received.
int closeMessagesReceived();

}  // namespace sim
