// The bridge's answers, byte for byte, to real requests from a Winsock client, against the
// module loaded as the host loads it; and what the game thread does with the queued commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/bridge_client.h"
#include "sim/game_window.h"
#include "sim/module_under_test.h"
#include "sim/real_input.h"
#include "sim/sim_host.h"

namespace {

// Without the game's memory the layout check rejects this process: no settings, no bindings.
constexpr char kUnsupportedState[] =
    "{\"supported\":false,\"menuOpen\":false,\"menuGeneration\":0,\"captureCancelCounter\":0,"
    "\"capturedKey\":-1,\"capturedKeyCounter\":0,\"settings\":{},\"bindings\":{}}";
constexpr char kOk[] = "{\"ok\":true}";
constexpr char kFail[] = "{\"ok\":false}";
constexpr char kUnknownAction[] = "{\"ok\":false,\"error\":\"unknown action\"}";
constexpr char kNotFound[] = "{\"ok\":false,\"error\":\"not found\"}";

// Every answer's exact bytes: status line, the fixed header set in its order, the body.
std::string answer(const std::string& status, const std::string& type, const std::string& origin,
                   const std::string& body) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "; charset=utf-8\r\nAccess-Control-Allow-Origin: " +
         origin +
         "\r\nAccess-Control-Allow-Methods: GET, POST, OPTIONS\r\n"
         "Access-Control-Allow-Headers: Content-Type, Accept, X-Requested-With, "
         "Access-Control-Request-Private-Network, Cache-Control\r\n"
         "Access-Control-Allow-Private-Network: true\r\nAccess-Control-Max-Age: 86400\r\n"
         "Cache-Control: no-store, no-cache, must-revalidate\r\nConnection: close\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}
std::string json(const std::string& status, const std::string& origin, const std::string& body) {
  return answer(status, "application/json", origin, body);
}

class BridgeRoutes : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::createGameWindow();
    sim::initializeWithHost();
    ASSERT_TRUE(sim::waitForBridge()) << ::testing::PrintToString(sim::logMessages());
  }
};

TEST_F(BridgeRoutes, EachRequestGetsItsExactAnswerAndOneLogLine) {
  const struct {
    std::string request;
    std::string expected;
    std::string logged;
  } cases[] = {
      {"GET /state HTTP/1.1\r\nHost: 127.0.0.1:47651\r\n\r\n", json("200 OK", "*", kUnsupportedState),
       "[BRIDGE] GET /state (origin=none)"},
      {"GET /state?x=1 HTTP/1.1\r\nOrigin: null\r\n\r\n", json("200 OK", "null", kUnsupportedState),
       "[BRIDGE] GET /state?x=1 (origin=null)"},
      {"OPTIONS /action?name=exit HTTP/1.1\r\nOrigin: http://127.0.0.1:8123\r\n"
       "Access-Control-Request-Method: GET\r\nAccess-Control-Request-Private-Network: true\r\n\r\n",
       answer("200 OK", "text/plain", "http://127.0.0.1:8123", "OK"),
       "[BRIDGE] OPTIONS /action?name=exit (origin=http://127.0.0.1:8123)"},
      {"OPTIONS /nowhere HTTP/1.1\r\n\r\n", answer("200 OK", "text/plain", "*", "OK"),
       "[BRIDGE] OPTIONS /nowhere (origin=none)"},
      {"GET /action?name=enable_esc HTTP/1.1\r\n\r\n", json("200 OK", "*", kOk),
       "[BRIDGE] GET /action?name=enable_esc (origin=none)"},
      {"GET /action HTTP/1.1\r\n\r\n", json("400 Bad Request", "*", kUnknownAction),
       "[BRIDGE] GET /action (origin=none)"},
      {"GET /action?name=dance HTTP/1.1\r\norigin: null\r\n\r\n", json("400 Bad Request", "null", kUnknownAction),
       "[BRIDGE] GET /action?name=dance (origin=null)"},
      {"GET /setting?name=sfxVolume HTTP/1.1\r\n\r\n", json("400 Bad Request", "*", kFail),
       "[BRIDGE] GET /setting?name=sfxVolume (origin=none)"},
      {"GET /bind?action=59&type=0&key=1 HTTP/1.1\r\n\r\n", json("400 Bad Request", "*", kFail),
       "[BRIDGE] GET /bind?action=59&type=0&key=1 (origin=none)"},
      {"GET /State HTTP/1.1\r\n\r\n", json("404 Not Found", "*", kNotFound), "[BRIDGE] GET /State (origin=none)"},
      {"GET /state/ HTTP/1.1\r\n\r\n", json("404 Not Found", "*", kNotFound), "[BRIDGE] GET /state/ (origin=none)"},
      {"POST /action?name=exit HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", json("400 Bad Request", "*", kFail),
       "[BRIDGE] POST /action?name=exit (origin=none)"},
      {"get /state HTTP/1.1\r\n\r\n", json("400 Bad Request", "*", kFail), "[BRIDGE] get /state (origin=none)"},
      {"GET\r\n\r\n", json("400 Bad Request", "*", kFail), "[BRIDGE] GET  (origin=none)"},
      // An origin with a control byte is not echoed: it would put a line of its own into the answer.
      {"GET /x%0D%0A HTTP/1.1\r\nOrigin: a\nb\r\n\r\n", json("404 Not Found", "*", kNotFound),
       "[BRIDGE] GET /x%0D%0A (origin=a\\x0Ab)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sim::exchange(c.request), c.expected) << c.request;
    EXPECT_EQ(sim::logCount(c.logged), 1) << c.request;
  }
}

TEST_F(BridgeRoutes, AcceptedRequestsAreQueuedAndCarriedOutOnTheGameThread) {
  const struct {
    std::string target;
    std::vector<std::string> bridgeLines;  // logged by the bridge before the answer
    std::string gameLine;                  // logged by the game thread in the next frame
  } cases[] = {
      {"/action?name=capture_on", {}, "[CAPTURE] Keyboard capture enabled."},
      {"/action?name=capture_on&type=2", {}, "[CAPTURE] Mouse capture enabled."},
      {"/action?name=capture_off", {}, "[CAPTURE] Capture disabled."},
      // The name comes from the request, so the game thread's line escapes it too.
      {"/setting?name=a%0D%0Ab&value=7", {"[BRIDGE] Setting applied: a\\x0D\\x0Ab = 7"},
       "[NATIVE] Setting rejected/unsupported: a\\x0D\\x0Ab"},
      {"/action?name=exit", {"[BRIDGE] Action: EXIT accepted"}, "[MENU] Exit confirmed by user."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sim::exchange("GET " + c.target + " HTTP/1.1\r\n\r\n"), json("200 OK", "*", kOk)) << c.target;
    for (const std::string& line : c.bridgeLines) EXPECT_EQ(sim::logCount(line), 1) << c.target;
    EXPECT_EQ(sim::logCount(c.gameLine), 0) << c.target << ": nothing happens before the frame";
    sim::runFrame();
    EXPECT_EQ(sim::logCount(c.gameLine), 1) << c.target;
  }
}

}  // namespace
