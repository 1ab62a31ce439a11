// Composes one log line from the wall-clock time and the caller's message.
#include "log/log_line.h"

#include <iomanip>
#include <sstream>

std::string formatLogLine(const WallClockTime& time, const std::string& message) {
  std::ostringstream line;
  line << std::setfill('0') << '[' << std::setw(2) << time.hour << ':' << std::setw(2)
       << time.minute << ':' << std::setw(2) << time.second << '.' << std::setw(3)
       << time.milliseconds << "] ";
  line.write(message.data(), static_cast<std::streamsize>(message.size()));
  line << "\r\n";
  return line.str();
}

std::string escapeControlBytes(const std::string& text) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      escaped += c;
      continue;
    }
    escaped += "\\x";
    escaped += kHexDigits[byte >> 4];
    escaped += kHexDigits[byte & 0x0F];
  }
  return escaped;
}
