// The log line's exact bytes: zero-padded time, one space, the message verbatim, CR LF.
#include "log/log_line.h"

#include <gtest/gtest.h>

TEST(LogLine, PadsEveryTimeFieldToItsWidth) {
  EXPECT_EQ(formatLogLine({9, 5, 3, 7}, "[CEF] x"), "[09:05:03.007] [CEF] x\r\n");
  EXPECT_EQ(formatLogLine({0, 0, 0, 7}, "m"), "[00:00:00.007] m\r\n");
  EXPECT_EQ(formatLogLine({23, 59, 59, 999}, "m"), "[23:59:59.999] m\r\n");
  EXPECT_EQ(formatLogLine({12, 0, 0, 0}, "m"), "[12:00:00.000] m\r\n");
}

TEST(LogLine, EmptyMessageIsStampSpaceAndLineEnd) {
  const std::string line = formatLogLine({1, 2, 3, 4}, "");
  EXPECT_EQ(line, "[01:02:03.004] \r\n");
  EXPECT_EQ(line.size(), 17u);
}

TEST(LogLine, MessageBytesAreNotEscapedOrTranslated) {
  const std::string message("a\r\nb\xC3\xA9\xFF\x01", 8);
  EXPECT_EQ(formatLogLine({1, 2, 3, 4}, message), "[01:02:03.004] " + message + "\r\n");
}

TEST(LogLine, EmbeddedNulByteIsKept) {
  const std::string message("a\0b", 3);
  const std::string line = formatLogLine({1, 2, 3, 4}, message);
  EXPECT_EQ(line.size(), 15u + 3u + 2u);
  EXPECT_EQ(line.substr(15, 3), message);
}

TEST(LogLine, ControlBytesFromOutsideAreEscapedSoOneRequestStaysOneLine) {
  const struct {
    std::string text;
    std::string logged;
  } cases[] = {
      {"/action?name=continue", "/action?name=continue"},
      {"a\r\n[BRIDGE] forged", "a\\x0D\\x0A[BRIDGE] forged"},
      {std::string("n\0x", 3), "n\\x00x"},
      {"\t\x1F\x7F", "\\x09\\x1F\\x7F"},
      {"Spi\xC3\xA9le \\x41 ~", "Spi\xC3\xA9le \\x41 ~"},  // UTF-8, backslashes and '~' are printable
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(escapeControlBytes(c.text), c.logged) << c.text;
}
