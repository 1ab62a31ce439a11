// Composes one log line from the wall-clock time and the caller's message, and makes outside
// text safe to log (no Windows calls).
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

// Text from outside (a request's target, origin, a setting name) as one line: every control
// byte (0x00-0x1F, 0x7F) becomes "\xHH"; printable and non-ASCII bytes stay as they are.
std::string escapeControlBytes(const std::string& text);
