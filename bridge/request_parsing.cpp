// Request parsing for the bridge: split by hand, byte by byte, so no input can make it fail.
#include "bridge/request_parsing.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr char kOriginPattern[] = "Origin: ";
constexpr char kLowerOriginPattern[] = "origin: ";
constexpr size_t kOriginPatternBytes = sizeof(kOriginPattern) - 1;

bool isSpace(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' || byte == '\f';
}

// Only the two exact spellings count; the search does not look for a line start, so the
// first occurrence anywhere wins.
std::string originOf(const std::string& text) {
  if (text.size() < kOriginPatternBytes) return {};
  size_t at = text.find(kOriginPattern);
  if (at == std::string::npos) at = text.find(kLowerOriginPattern);
  if (at == std::string::npos) return {};
  const size_t end = text.find("\r\n", at);
  if (end == std::string::npos) return {};
  std::string origin = text.substr(at + kOriginPatternBytes, end - at - kOriginPatternBytes);
  while (!origin.empty() && (origin.back() == '\r' || origin.back() == ' ')) origin.pop_back();
  return origin;
}

// Skips whitespace from pos, then takes the bytes up to the next whitespace.
std::string nextToken(const std::string& line, size_t& pos) {
  while (pos < line.size() && isSpace(line[pos])) ++pos;
  const size_t start = pos;
  while (pos < line.size() && !isSpace(line[pos])) ++pos;
  return line.substr(start, pos - start);
}

int hexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

}  // namespace

RequestHead parseRequestHead(const std::string& text) {
  RequestHead head;
  head.origin = originOf(text);
  const std::string line = text.substr(0, text.find("\r\n"));
  size_t pos = 0;
  head.method = nextToken(line, pos);
  head.target = nextToken(line, pos);
  const size_t question = head.target.find('?');
  head.route = head.target.substr(0, question);
  if (question != std::string::npos) head.query = head.target.substr(question + 1);
  return head;
}

std::string getQueryParam(const std::string& query, const std::string& key) {
  size_t start = 0;
  while (true) {
    const size_t amp = query.find('&', start);
    const std::string piece = query.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
    const size_t equals = piece.find('=');
    if (percentDecode(piece.substr(0, equals)) == key)
      return equals == std::string::npos ? std::string() : percentDecode(piece.substr(equals + 1));
    if (amp == std::string::npos) return {};
    start = amp + 1;
  }
}

std::string percentDecode(const std::string& encoded) {
  std::string decoded;
  decoded.reserve(encoded.size());
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char byte = encoded[i];
    if (byte == '+') {
      decoded += ' ';
      continue;
    }
    if (byte == '%' && encoded.size() - i > 2) {
      const int high = hexValue(encoded[i + 1]);
      const int low = hexValue(encoded[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    // A '%' without two digits stays itself, and the byte after it is read normally.
    decoded += byte;
  }
  return decoded;
}

int32_t parseIntOr(const std::string& text, int32_t fallback) {
  if (text.empty()) return fallback;
  // c_str() ends the conversion at the first NUL byte, as strtol on the text would.
  const char* begin = text.c_str();
  char* end = nullptr;
  // long is 32 bits on Windows, where strtol itself clamps; the checks below clamp elsewhere.
  const long value = std::strtol(begin, &end, 10);
  if (end == begin) return fallback;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}
