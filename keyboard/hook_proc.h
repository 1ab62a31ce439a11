// The low-level keyboard procedure: ESC requests for the pause menu and key capture.
#pragma once

#include <windows.h>

#include <cstdint>

// Called by the system on the hook thread for every key event on the desktop, before any
// window sees it. Returns 1 to swallow the event, otherwise passes it on.
LRESULT CALLBACK keyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam);

// The game key code of an event (the scan code's translation decides the key), -1 for none.
int32_t toGameKeyCode(const KBDLLHOOKSTRUCT* event);
