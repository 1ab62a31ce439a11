// Turns one raw request text into the few values the routes need: origin, method, target split
// into route and query, query parameters by name, and whole numbers. Pure byte-string code.
#pragma once

#include <cstdint>
#include <string>

struct RequestHead {
  std::string origin;   // first "Origin: " (else "origin: ") header value; empty when none
  std::string method;   // first token of the request line, case as sent
  std::string target;   // second token, exactly as sent (not decoded)
  std::string route;    // target up to its first '?'
  std::string query;    // target after its first '?'
};

// Never fails: a text without a request line gives empty fields.
RequestHead parseRequestHead(const std::string& text);

// The percent-decoded value of the first parameter whose decoded name equals key; empty when
// absent or without '='.
std::string getQueryParam(const std::string& query, const std::string& key);

// '+' becomes a space and "%XX" with two hexadecimal digits one byte; everything else is kept.
std::string percentDecode(const std::string& encoded);

// Decimal number as strtol reads it, clamped to 32 bits; the default when no digit is there.
int32_t parseIntOr(const std::string& text, int32_t fallback);
