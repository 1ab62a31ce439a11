// The routes' decisions and the answer's bytes: which answer, which command, which flag and
// which log line each request leads to.
#include "bridge/routes.h"

#include <gtest/gtest.h>

#include <string>

#include "bridge/response_text.h"

namespace {

struct Expected {
  std::string request;  // request line and query, as a page sends them
  int status;
  std::string body;
  int32_t kind;
  std::string name;
  int32_t value;
  FlagChange flag;
  std::string line;
};

RouteDecision decide(const std::string& requestLine) {
  return decideRoute(parseRequestHead(requestLine + " HTTP/1.1\r\nOrigin: null\r\n\r\n"));
}

TEST(Routes, EachRequestGetsItsAnswerCommandFlagAndLine) {
  const FlagChange none = FlagChange::None;
  const Expected cases[] = {
      {"GET /action?name=continue", 200, kOkBody, kCommandContinue, "", 0, FlagChange::CloseMenu,
       "[BRIDGE] Action: CONTINUE accepted"},
      {"GET /action?name=map", 200, kOkBody, kCommandMap, "", 0, none, "[BRIDGE] Action: MAP accepted"},
      {"GET /action?name=exit", 200, kOkBody, kCommandExit, "", 0, none, "[BRIDGE] Action: EXIT accepted"},
      {"GET /action?name=reset_controls", 200, kOkBody, kCommandResetControls, "", 0, none,
       "[BRIDGE] Action: RESET_CONTROLS accepted"},
      {"GET /action?name=capture_on", 200, kOkBody, kCommandCaptureOn, "", 1, none, ""},
      {"GET /action?name=capture_on&type=2", 200, kOkBody, kCommandCaptureOn, "", 2, none, ""},
      {"GET /action?type=3&name=capture_on", 200, kOkBody, kCommandCaptureOn, "", 1, none, ""},
      {"GET /action?name=capture_on&type=abc", 200, kOkBody, kCommandCaptureOn, "", 1, none, ""},
      {"GET /action?name=capture_off", 200, kOkBody, kCommandCaptureOff, "", 0, none, ""},
      {"GET /action?name=loading_hide", 200, kOkBody, kCommandLoadingHide, "", 0, none, ""},
      {"GET /action?name=cont%69nue", 200, kOkBody, kCommandContinue, "", 0, FlagChange::CloseMenu,
       "[BRIDGE] Action: CONTINUE accepted"},
      {"GET /action?name=enable_esc", 200, kOkBody, 0, "", 0, FlagChange::EnableEsc,
       "[ESC] ESC ENABLED via web action (player in game)."},
      {"GET /action?name=disable_esc", 200, kOkBody, 0, "", 0, FlagChange::DisableEsc,
       "[ESC] ESC DISABLED via web action (player in auth)."},
      {"GET /action", 400, kUnknownActionBody, 0, "", 0, none, ""},
      {"GET /action?name=Continue", 400, kUnknownActionBody, 0, "", 0, none, ""},
      {"GET /setting?name=sfxVolume&value=50", 200, kOkBody, kCommandSetting, "sfxVolume", 50, none,
       "[BRIDGE] Setting applied: sfxVolume = 50"},
      {"GET /setting?name=sfxVolume&value=abc", 200, kOkBody, kCommandSetting, "sfxVolume", 0, none,
       "[BRIDGE] Setting applied: sfxVolume = 0"},
      {"GET /setting?value=-5&name=noSuchSetting", 200, kOkBody, kCommandSetting, "noSuchSetting", -5, none,
       "[BRIDGE] Setting applied: noSuchSetting = -5"},
      {"GET /setting?name=a%0D%0A%5BCEF%5D%20x&value=1", 200, kOkBody, kCommandSetting, "a\r\n[CEF] x", 1, none,
       "[BRIDGE] Setting applied: a\\x0D\\x0A[CEF] x = 1"},
      {"GET /setting?name=sfxVolume", 400, kFailBody, 0, "", 0, none, ""},
      {"GET /setting?value=5", 400, kFailBody, 0, "", 0, none, ""},
      {"GET /state/", 404, kNotFoundBody, 0, "", 0, none, ""},
      {"GET /State", 404, kNotFoundBody, 0, "", 0, none, ""},
      {"GET /st%61te", 404, kNotFoundBody, 0, "", 0, none, ""},
      {"GET /", 404, kNotFoundBody, 0, "", 0, none, ""},
      {"POST /action?name=exit", 400, kFailBody, 0, "", 0, none, ""},
      {"get /state", 400, kFailBody, 0, "", 0, none, ""},
      {"HEAD /state", 400, kFailBody, 0, "", 0, none, ""},
      {"GET\r\n", 400, kFailBody, 0, "", 0, none, ""},  // no target
      {"", 400, kFailBody, 0, "", 0, none, ""},
  };
  for (const Expected& c : cases) {
    const RouteDecision decision = decide(c.request);
    EXPECT_EQ(decision.status, c.status) << c.request;
    EXPECT_EQ(decision.body, c.body) << c.request;
    EXPECT_EQ(decision.contentType, "") << c.request;
    EXPECT_FALSE(decision.servesState) << c.request;
    EXPECT_EQ(decision.command.kind, c.kind) << c.request;
    EXPECT_EQ(decision.command.name, c.name) << c.request;
    EXPECT_EQ(decision.command.value, c.value) << c.request;
    EXPECT_EQ(decision.flagChange, c.flag) << c.request;
    EXPECT_EQ(decision.acceptedLine, c.line) << c.request;
  }
}

TEST(Routes, StateAndItsQueryVariantServeTheDocument) {
  for (const char* request : {"GET /state", "GET /state?x=1", "GET /state?"}) {
    const RouteDecision decision = decide(request);
    EXPECT_EQ(decision.status, 200) << request;
    EXPECT_TRUE(decision.servesState) << request;
    EXPECT_EQ(decision.command.kind, 0) << request;
  }
}

TEST(Routes, PreflightToAnyPathIsPlainOk) {
  for (const char* request : {"OPTIONS /state", "OPTIONS /nowhere", "OPTIONS *", "OPTIONS"}) {
    const RouteDecision decision = decide(request);
    EXPECT_EQ(decision.status, 200) << request;
    EXPECT_EQ(decision.contentType, kTextContentType) << request;
    EXPECT_EQ(decision.body, "OK") << request;
    EXPECT_EQ(decision.command.kind, 0) << request;
  }
}

TEST(Routes, BindAcceptsActions0To58AndTypes0To2Only) {
  const struct {
    std::string query;
    bool accepted;
    int32_t action, type;
    uint32_t key;
  } cases[] = {
      {"action=58&type=2&key=65", true, 58, 2, 65},
      {"action=0&type=0", true, 0, 0, 0},
      {"action=3&type=1&key=-1", true, 3, 1, 0xFFFFFFFFu},
      {"action=3&type=1&key=1055", true, 3, 1, 1055},
      {"action=59&type=0&key=1", false, 0, 0, 0},
      {"action=1&type=3&key=1", false, 0, 0, 0},
      {"action=-1&type=0&key=1", false, 0, 0, 0},
      {"action=1&key=1", false, 0, 0, 0},
      {"type=1&key=1", false, 0, 0, 0},
      {"action=x&type=1", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const RouteDecision decision = decide("GET /bind?" + c.query);
    EXPECT_EQ(decision.status, c.accepted ? 200 : 400) << c.query;
    EXPECT_EQ(decision.body, c.accepted ? kOkBody : kFailBody) << c.query;
    EXPECT_EQ(decision.command.kind, c.accepted ? kCommandBinding : 0) << c.query;
    EXPECT_EQ(decision.command.action, c.action) << c.query;
    EXPECT_EQ(decision.command.type, c.type) << c.query;
    EXPECT_EQ(decision.command.key, c.key) << c.query;
    EXPECT_EQ(decision.command.name, "") << c.query;
    EXPECT_EQ(decision.acceptedLine, "") << c.query;
  }
}

TEST(Routes, RequestLineIsLoggedAsReceivedButAlwaysAsOneLine) {
  const struct {
    std::string text;
    std::string line;
  } cases[] = {
      {"GET /state?x=%0D%0A HTTP/1.1\r\n\r\n", "[BRIDGE] GET /state?x=%0D%0A (origin=none)"},
      {"OPTIONS /action HTTP/1.1\r\nOrigin: null\r\n\r\n", "[BRIDGE] OPTIONS /action (origin=null)"},
      {"POST /x HTTP/1.1\r\nOrigin: http://a\n[BRIDGE] forged\r\n\r\n",
       "[BRIDGE] POST /x (origin=http://a\\x0A[BRIDGE] forged)"},
      {std::string("GET /a\0b\x01 HTTP/1.1\r\n\r\n", 22), "[BRIDGE] GET /a\\x00b\\x01 (origin=none)"},
      {"", "[BRIDGE]   (origin=none)"},
  };
  for (const auto& c : cases) EXPECT_EQ(requestLogLine(parseRequestHead(c.text)), c.line) << c.text;
}

TEST(Response, FixedHeadersInOrderExactLengthNothingAfterTheBody) {
  const std::string headers =
      "Access-Control-Allow-Methods: GET, POST, OPTIONS\r\n"
      "Access-Control-Allow-Headers: Content-Type, Accept, X-Requested-With, "
      "Access-Control-Request-Private-Network, Cache-Control\r\n"
      "Access-Control-Allow-Private-Network: true\r\n"
      "Access-Control-Max-Age: 86400\r\n"
      "Cache-Control: no-store, no-cache, must-revalidate\r\n"
      "Connection: close\r\n";
  const struct {
    int status;
    std::string contentType, body, origin, expected;
  } cases[] = {
      {200, "text/plain", "OK", "null",
       "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nAccess-Control-Allow-Origin: null\r\n" +
           headers + "Content-Length: 2\r\n\r\nOK"},
      {404, "", kNotFoundBody, "",
       "HTTP/1.1 404 Not Found\r\nContent-Type: application/json; charset=utf-8\r\n"
       "Access-Control-Allow-Origin: *\r\n" + headers + "Content-Length: 32\r\n\r\n" + kNotFoundBody},
      {400, "application/json", kFailBody, "http://127.0.0.1:8080",
       "HTTP/1.1 400 Bad Request\r\nContent-Type: application/json; charset=utf-8\r\n"
       "Access-Control-Allow-Origin: http://127.0.0.1:8080\r\n" + headers + "Content-Length: 12\r\n\r\n" + kFailBody},
      {503, "", kBusyBody, "",
       "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json; charset=utf-8\r\n"
       "Access-Control-Allow-Origin: *\r\n" + headers + "Content-Length: 27\r\n\r\n" + kBusyBody},
      {200, "", "", "", "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n"
                        "Access-Control-Allow-Origin: *\r\n" + headers + "Content-Length: 0\r\n\r\n"},
      // A bare LF in the origin would otherwise put a header of the peer's choosing in the answer.
      {200, "", "", "http://a\nSet-Cookie: x=1", "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n"
                        "Access-Control-Allow-Origin: *\r\n" + headers + "Content-Length: 0\r\n\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatResponse(c.status, c.contentType, c.body, c.origin), c.expected);
}

TEST(Response, ContentLengthCountsBytesNotCharacters) {
  const std::string body = std::string("{\"n\":\"\xC3\xA9\0\"}", 11);
  const std::string response = formatResponse(200, "", body, "");
  EXPECT_NE(response.find("Content-Length: 11\r\n\r\n"), std::string::npos);
  EXPECT_EQ(response.substr(response.size() - 11), body);
}

}  // namespace
