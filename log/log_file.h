// The module's one diary, "TembraUI.log" in the game's directory, writable from any thread.
#pragma once

#include <string>

// Appends one time-stamped line; never fails visibly (an unopenable file drops the line).
void logLine(const std::string& message);

// Creates or empties the log and writes the UTF-8 byte-order mark.
void resetLog();

// executableDirectory() + "\TembraUI.log", as UTF-8; recomputed on every call.
std::string logFilePath();
