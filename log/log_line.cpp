// Composes one log line from the wall-clock time and the caller's message.
#include "log/log_line.h"

#include <iomanip>
#include <sstream>

#include "log/byte_text.h"

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
  return escapeBytesAsHex(text, "\\x", [](unsigned char byte) { return !isControlByte(byte); });
}
