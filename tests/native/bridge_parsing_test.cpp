// Request parsing: origin, request line, query parameters, percent decoding and numbers, each as
// a table of raw bytes and the values the routes receive.
#include "bridge/request_parsing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RequestHead, RequestLineSplitsIntoMethodTargetRouteQuery) {
  const struct {
    std::string text;
    RequestHead head;  // origin, method, target, route, query
  } cases[] = {
      {"GET /action?name=continue HTTP/1.1\r\nHost: x\r\n\r\n",
       {"", "GET", "/action?name=continue", "/action", "name=continue"}},
      {"GET /state", {"", "GET", "/state", "/state", ""}},
      {"", {"", "", "", "", ""}},
      {"\r\nGET /state HTTP/1.1\r\n", {"", "", "", "", ""}},
      {" \t get  /a?b?c  HTTP/1.0 extra\r\n", {"", "get", "/a?b?c", "/a", "b?c"}},
      {"OPTIONS * HTTP/1.1", {"", "OPTIONS", "*", "*", ""}},
      {"GET /?\r\n", {"", "GET", "/?", "/", ""}},
      {"GET /st%61te HTTP/1.1\r\n", {"", "GET", "/st%61te", "/st%61te", ""}},
      {std::string("GE\0T /x\0y HTTP/1.1\r\n", 20),
       {"", std::string("GE\0T", 4), std::string("/x\0y", 4), std::string("/x\0y", 4), ""}},
  };
  for (const auto& c : cases) {
    const RequestHead head = parseRequestHead(c.text);
    EXPECT_EQ(head.method, c.head.method) << c.text;
    EXPECT_EQ(head.target, c.head.target) << c.text;
    EXPECT_EQ(head.route, c.head.route) << c.text;
    EXPECT_EQ(head.query, c.head.query) << c.text;
  }
}

TEST(RequestHead, OriginIsTheFirstExactPatternUpToItsLineEnd) {
  const struct {
    std::string text;
    std::string origin;
  } cases[] = {
      {"GET / HTTP/1.1\r\nOrigin: http://127.0.0.1:8080\r\n\r\n", "http://127.0.0.1:8080"},
      {"GET / HTTP/1.1\r\norigin: null  \r\n\r\n", "null"},
      {"GET / HTTP/1.1\r\nORIGIN: http://a\r\n\r\n", ""},
      {"GET / HTTP/1.1\r\nOrigin:http://a\r\n\r\n", ""},
      {"GET / HTTP/1.1\r\nOrigin: http://a", ""},  // no line end after it
      {"GET / HTTP/1.1\r\nX-Origin: a\r\nOrigin: b\r\n\r\n", "a"},
      {"GET / HTTP/1.1\r\norigin: a\r\nOrigin: b\r\n\r\n", "b"},  // the capitalised form is looked for first
      {"GET / HTTP/1.1\r\nOrigin:   a \r \r\n", "  a"},
      {"GET / HTTP/1.1\r\nOrigin: a\nforged\r\n", "a\nforged"},
      {"GET / HTTP/1.1\r\nOrigin: \r\n", ""},
      {"Origin:", ""},
      {"GET /?Origin: q\r\n\r\n", "q"},  // the request line is searched too
  };
  for (const auto& c : cases) EXPECT_EQ(parseRequestHead(c.text).origin, c.origin) << c.text;
}

TEST(QueryParam, FirstPieceWhoseDecodedNameMatchesGivesItsDecodedValue) {
  const struct {
    std::string query;
    std::string key;
    std::string value;
  } cases[] = {
      {"name=continue", "name", "continue"},
      {"name=cont%69nue", "name", "continue"},
      {"na%6De=continue", "name", "continue"},
      {"name=a+b", "name", "a b"},
      {"name", "name", ""},
      {"name=", "name", ""},
      {"name=a=b", "name", "a=b"},
      {"name=first&name=second", "name", "first"},
      {"x=1&&name=y", "name", "y"},
      {"x=1&", "name", ""},
      {"&", "", ""},
      {"", "name", ""},
      {"Name=x", "name", ""},
      {"names=x&name=y", "name", "y"},
      {"name=sfx%0D%0AVolume", "name", "sfx\r\nVolume"},
      {"name=%00", "name", std::string(1, '\0')},
  };
  for (const auto& c : cases) EXPECT_EQ(getQueryParam(c.query, c.key), c.value) << c.query << " / " << c.key;
}

TEST(PercentDecode, TwoHexDigitsMakeOneByteAnythingElseStays) {
  const struct {
    std::string encoded;
    std::string decoded;
  } cases[] = {
      {"%zz", "%zz"},       {"%4", "%4"},         {"%41%", "A%"},   {"%%41", "%A"},
      {"%4g", "%4g"},       {"%ff%FF", "\xFF\xFF"}, {"+%2B+", " + "}, {"%", "%"},
      {"a%20b", "a b"},     {"%C3%A9", "\xC3\xA9"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(percentDecode(c.encoded), c.decoded) << c.encoded;
}

TEST(ParseIntOr, ReadsLikeStrtolClampedTo32Bits) {
  const struct {
    std::string text;
    int32_t expected;
  } cases[] = {
      {" 42", 42},          {"42abc", 42},          {"-7", -7},           {"+5", 5},
      {"abc", 99},          {"", 99},               {"-", 99},            {" ", 99},
      {"123456789012", 2147483647}, {"-123456789012", -2147483647 - 1}, {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1}, {std::string("1\0" "2", 3), 1}, {"0x10", 0}, {"\t\n-3", -3},
  };
  for (const auto& c : cases) EXPECT_EQ(parseIntOr(c.text, 99), c.expected) << c.text;
}

}  // namespace
