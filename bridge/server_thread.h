// The bridge thread: the loopback HTTP server on 127.0.0.1:47651, one connection at a time.
#pragma once

#include <windows.h>

// Thread procedure started by cef_initialize; ends once cef_quit has set stopRequested and
// closed the listening socket. Always returns 0.
DWORD WINAPI bridgeServerThread(LPVOID unused);

// Closes the listening socket unless already closed; any thread. Closing it is what breaks the
// bridge thread out of its blocked accept.
void closeBridgeListener();
