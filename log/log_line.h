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

// Text that came from outside (a request's target, origin or setting name) made safe for one log
// line: control bytes (below 0x20, and 0x7F) become "\xHH", everything else stays as it is, so one
// request can never forge or split lines.
std::string escapeControlBytes(const std::string& text);
