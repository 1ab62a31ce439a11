// Real key presses from the X server (xdotool under Wine) and the front window they go to.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace sim {

// Runs "xdotool <arguments>" on the host and waits for it to finish; its exit status, or -1
// when it could not be started or did not finish within 10 s. The keys it sends go to the
// window that has the X input focus, after the window's thread has handled its messages.
int runXdotool(const std::string& arguments);

// Makes the window the foreground window, both for Wine and as the X input focus (there is no
// window manager on the test display to do it); true once GetForegroundWindow reports it.
bool bringToFront(HWND window);

// Handles this thread's messages until the condition holds (true) or timeoutMs pass (false).
bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

// Handles this thread's messages for a fixed time: for checking that something did not happen.
void pumpFor(DWORD ms);

// A window of another program (foreign_window.exe next to this program), which counts the ESC
// presses it receives and ends together with this process.
struct ForeignWindow {
  HANDLE process = nullptr;
  HWND window = nullptr;
};

// Starts the other program and waits for its window; a null window when it did not appear.
ForeignWindow startForeignWindow();

// ESC key-downs the other program's window has received.
int foreignEscapeCount(const ForeignWindow& foreign);

}  // namespace sim
