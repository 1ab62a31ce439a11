// The keyboard hook thread: installs the low-level hook, pumps messages until WM_QUIT, removes it.
#pragma once

#include <windows.h>

// Thread procedure started by cef_initialize; ends on WM_QUIT from cef_quit. Always returns 0.
DWORD WINAPI keyboardThreadMain(LPVOID unused);
