// Composes one log line from the wall-clock time and the caller's message (no Windows calls).
#pragma once

#include <cstdint>
#include <string>

struct WallClockTime {
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;
};

// "[HH:MM:SS.mmm] " + message + CR LF; the message bytes are copied verbatim.
std::string formatLogLine(const WallClockTime& time, const std::string& message);
