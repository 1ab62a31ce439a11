// Bytes from outside written as text: which bytes are control bytes, and the upper-case
// hexadecimal digits the log, the page URLs and the layout check's messages spell them with
// (no Windows calls).
#pragma once

#include <cstdint>
#include <string>

inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Below 0x20, and 0x7F: a byte that could end or forge a line of the log or of a header.
inline bool isControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// Every byte the predicate keeps copied as it is, every other one as the prefix followed by its
// two upper-case hexadecimal digits.
template <typename KeptAsIs>
std::string escapeBytesAsHex(const std::string& text, const char* prefix, KeptAsIs keptAsIs) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char character : text) {
    const auto byte = static_cast<unsigned char>(character);
    if (keptAsIs(byte)) {
      escaped += character;
      continue;
    }
    escaped += prefix;
    escaped += kUpperHexDigits[byte >> 4];
    escaped += kUpperHexDigits[byte & 0x0F];
  }
  return escaped;
}

// Upper-case hexadecimal digits without leading zeros ("0" for zero).
inline std::string upperHex(uint64_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kUpperHexDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return digits;
}
