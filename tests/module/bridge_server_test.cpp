// The bridge server under real Winsock: split reads, silence, early close, the size limit,
// trickling peers, the refused command, shutdown in accept and a port that is taken.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bridge/connection.h"
#include "core/command_queue.h"
#include "core/exports.h"
#include "core/plugin_state.h"
#include "sim/bridge_client.h"
#include "sim/fake_clock.h"
#include "sim/real_input.h"
#include "tests/module/screens_harness.h"
#include "tests/module/worker_stop.h"

namespace {

using screens_harness::logCount;
using screens_harness::logMessages;
using Clock = std::chrono::steady_clock;

constexpr char kListening[] = "[BRIDGE] Listening on http://127.0.0.1:47651";
constexpr char kStopped[] = "[BRIDGE] HTTP bridge stopped.";
constexpr char kStateLine[] = "[BRIDGE] GET /state (origin=none)";
using worker_stop::kPromptQuitMs;
using worker_stop::timedQuitMs;
const HostApi& kTable = worker_stop::kQuietHost;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::vector<std::string> bridgeLines() {
  std::vector<std::string> lines;
  for (const std::string& line : logMessages())
    if (line.rfind("[BRIDGE]", 0) == 0) lines.push_back(line);
  return lines;
}

std::string statusLine(const std::string& answer) { return answer.substr(0, answer.find("\r\n")); }

class BridgeServer : public ::testing::Test {
 protected:
  void SetUp() override {
    cef_initialize(&kTable);
    ASSERT_TRUE(sim::waitForBridge()) << ::testing::PrintToString(logMessages());
  }
  void TearDown() override { cef_quit(); }
};

TEST_F(BridgeServer, GathersUntilTheBlankLineWhateverThePiecesAndAnswersOnce) {
  const struct {
    const char* why;
    std::vector<sim::Piece> pieces;
    std::string status;
  } cases[] = {
      {"one piece", {{"GET /state HTTP/1.1\r\n\r\n"}}, "HTTP/1.1 200 OK"},
      {"header in three pieces", {{"GET /st", 150}, {"ate HTTP/1.1\r\nHost: x\r\n", 150}, {"\r\n"}}, "HTTP/1.1 200 OK"},
      {"the blank line split", {{"GET /state HTTP/1.1\r\n\r", 150}, {"\n"}}, "HTTP/1.1 200 OK"},
      {"a body, partly sent later", {{"POST /action?name=exit HTTP/1.1\r\nContent-Length: 6000\r\n\r\n" +
                                      std::string(1000, 'b'), 100}, {std::string(5000, 'b')}},
       "HTTP/1.1 400 Bad Request"},
      {"garbage", {{"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n"}}, "HTTP/1.1 400 Bad Request"},
      {"NUL bytes", {{std::string("GET /st\0ate HTTP/1.1\r\n\r\n", 24)}}, "HTTP/1.1 404 Not Found"},
  };
  for (const auto& c : cases) {
    const std::string answer = sim::exchange(c.pieces);
    EXPECT_EQ(statusLine(answer), c.status) << c.why;
    EXPECT_EQ(answer.find("HTTP/1.1", 1), std::string::npos) << c.why << ": one answer only";
  }
  EXPECT_EQ(logCount(kStateLine), 3) << ::testing::PrintToString(logMessages());
  EXPECT_EQ(logCount("[BRIDGE] GET /st\\x00ate (origin=none)"), 1);
}

TEST_F(BridgeServer, PeerThatClosesAtOnceGetsNothingAndTheNextIsServed) {
  const SOCKET silent = sim::connectToBridge();
  ASSERT_NE(silent, INVALID_SOCKET);
  ::shutdown(silent, SD_SEND);
  EXPECT_EQ(sim::receiveAll(silent), "");
  ::closesocket(silent);
  EXPECT_EQ(statusLine(sim::exchange("GET /state HTTP/1.1\r\n\r\n")), "HTTP/1.1 200 OK");
  EXPECT_EQ(bridgeLines(), (std::vector<std::string>{kListening, kStateLine}));
}

TEST_F(BridgeServer, UnfinishedRequestIsAnsweredAfter1200MsOfSilence) {
  const auto start = Clock::now();
  const std::string answer = sim::exchange("GET /state HTTP/1.1\r\nHost: x\r\n");
  const long long ms = msSince(start);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 200 OK");
  EXPECT_GE(ms, 1100) << "the read waits out its 1200 ms";
  EXPECT_LT(ms, static_cast<long long>(kConnectionDeadlineMs) + 300);
}

TEST_F(BridgeServer, OversizedHeaderIsCutAndAnsweredAndTheRestDrained) {
  // A request line of 30 KB without a line end: the target is what the cut left of it.
  const std::string answer = sim::exchange("GET /" + std::string(30 * 1024, 'a'));
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 404 Not Found") << "the whole answer arrives, no reset";
  std::string logged;
  for (const std::string& line : bridgeLines())
    if (line.rfind("[BRIDGE] GET /a", 0) == 0) logged = line;
  const size_t target = logged.size() - std::string("[BRIDGE] GET  (origin=none)").size();
  EXPECT_GE(target, kRequestMaxBytes - 4);
  EXPECT_LE(target, kRequestMaxBytes + kReadChunkBytes - 1 - 4);
}

// The fault the deadline mends: a byte every 200 ms never lets a 1200 ms read time out.
TEST_F(BridgeServer, TricklingPeerDuringTheRequestIsCutOffAndOthersAreServed) {
  const SOCKET trickler = sim::connectToBridge();
  ASSERT_NE(trickler, INVALID_SOCKET);
  const auto start = Clock::now();
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    for (const char byte : std::string("GET /state HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")) {
      if (stop.load() || ::send(trickler, &byte, 1, 0) != 1) return;
      ::Sleep(200);
    }
  });
  const std::string answer = sim::receiveAll(trickler);
  const long long closedAfterMs = msSince(start);
  stop.store(true);
  sender.join();
  ::closesocket(trickler);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 404 Not Found") << "what came in time: 'GET /s...'";
  EXPECT_LT(closedAfterMs, static_cast<long long>(kConnectionDeadlineMs) + 300);
  EXPECT_EQ(statusLine(sim::exchange("GET /state HTTP/1.1\r\n\r\n")), "HTTP/1.1 200 OK");
}

TEST_F(BridgeServer, TricklingPeerAfterTheAnswerIsCutOffAndQuitStaysWithinItsWait) {
  const SOCKET trickler = sim::connectToBridge();
  ASSERT_NE(trickler, INVALID_SOCKET);
  const auto start = Clock::now();
  ASSERT_TRUE(sim::sendAll(trickler, "GET /state HTTP/1.1\r\n\r\n"));
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    while (!stop.load() && ::send(trickler, "x", 1, 0) == 1) ::Sleep(100);
  });
  const std::string answer = sim::receiveAll(trickler);
  const long long closedAfterMs = msSince(start);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 200 OK");
  EXPECT_LT(closedAfterMs, static_cast<long long>(kConnectionDeadlineMs) + 300) << "the drain ends at the deadline";

  // The same peer again, with cef_quit while it trickles: the thread ends inside the wait.
  const SOCKET second = sim::connectToBridge();
  ASSERT_NE(second, INVALID_SOCKET);
  ASSERT_TRUE(sim::sendAll(second, "GET /state HTTP/1.1\r\n\r\n"));
  std::thread secondSender([&] {
    while (!stop.load() && ::send(second, "x", 1, 0) == 1) ::Sleep(100);
  });
  ::Sleep(300);
  EXPECT_LT(timedQuitMs(), 2000);
  stop.store(true);
  sender.join();
  secondSender.join();
  ::closesocket(trickler);
  ::closesocket(second);
  const std::vector<std::string> lines = logMessages();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(logCount(kStopped), 1) << "the bridge thread ended before cef_quit stopped waiting";
  EXPECT_EQ(lines.back(), "TembraUI Native Pause V1 stopped.");
}

TEST_F(BridgeServer, RefusedCommandIsAnsweredBusyAndChangesNothing) {
  BridgeCommand filler;
  filler.kind = kCommandCaptureOff;
  int pushed = 0;
  while (pushCommand(filler) && pushed < 100000) ++pushed;
  ASSERT_EQ(pushed, static_cast<int>(kCommandQueueMaxCommands));
  gState.menuOpen.store(1);
  const std::string answer = sim::exchange("GET /action?name=continue HTTP/1.1\r\nOrigin: null\r\n\r\n");
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 503 Service Unavailable");
  EXPECT_NE(answer.find("\r\nAccess-Control-Allow-Origin: null\r\n"), std::string::npos);
  EXPECT_EQ(sim::bodyOf(answer), "{\"ok\":false,\"error\":\"busy\"}");
  EXPECT_EQ(gState.menuOpen.load(), 1) << "the menu is not taken for closed when nothing will close it";
  EXPECT_EQ(logCount("[BRIDGE] Action: CONTINUE accepted"), 0);
  EXPECT_EQ(sim::bodyOf(sim::exchange("GET /action?name=enable_esc HTTP/1.1\r\n\r\n")), "{\"ok\":true}")
      << "a flag change queues nothing, so a full queue does not refuse it";
}

// closesocket calls of this program, by handle: the listening socket must be closed once.
std::map<SOCKET, int>& closedSockets() {
  static std::map<SOCKET, int> counts;
  return counts;
}
std::atomic_flag closeCountLock = ATOMIC_FLAG_INIT;
// From the DLL itself: &::closesocket would name this program's import slot, which the test patches.
const auto realCloseSocket = reinterpret_cast<decltype(&::closesocket)>(
    reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryW(L"ws2_32.dll"), "closesocket")));

int WSAAPI countingCloseSocket(SOCKET socket) {
  while (closeCountLock.test_and_set()) {
  }
  ++closedSockets()[socket];
  closeCountLock.clear();
  return realCloseSocket(socket);
}

TEST(BridgeLifecycle, QuitWhileInAcceptEndsThreadPromptlyAndClosesTheSocketOnce) {
  ASSERT_TRUE(sim::patchImport(::GetModuleHandleW(nullptr), "ws2_32.dll", "closesocket",
                               reinterpret_cast<void*>(&countingCloseSocket)));
  cef_initialize(&kTable);
  ASSERT_TRUE(sim::pumpUntil([] { return logCount(kListening) == 1; }));
  const SOCKET listener = static_cast<SOCKET>(gState.listenSocket.load());
  ASSERT_NE(listener, INVALID_SOCKET);
  ::Sleep(100);  // the thread is blocked in accept
  EXPECT_LT(timedQuitMs(), kPromptQuitMs);
  EXPECT_EQ(gState.bridgeThread, nullptr);
  EXPECT_EQ(gState.listenSocket.load(), static_cast<uintptr_t>(INVALID_SOCKET));
  EXPECT_EQ(closedSockets()[listener], 1);
  EXPECT_EQ(bridgeLines(), (std::vector<std::string>{kListening, kStopped}));
  EXPECT_EQ(sim::connectToBridge(), INVALID_SOCKET) << "nothing listens any more";
}

TEST(BridgeLifecycle, QuitRacingTheStartNeverWaitsOutTheThread) {
  for (int round = 0; round < 10; ++round) {
    cef_initialize(&kTable);
    EXPECT_LT(timedQuitMs(), kPromptQuitMs) << "round " << round;
    EXPECT_EQ(gState.listenSocket.load(), static_cast<uintptr_t>(INVALID_SOCKET)) << "round " << round;
  }
  cef_initialize(&kTable);
  EXPECT_TRUE(sim::waitForBridge()) << "a start after the quits listens again";
  cef_quit();
}

TEST(BridgeLifecycle, TakenPortLogsOneBindFailureAndTheModuleRunsOn) {
  WSADATA data{};
  ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
  const SOCKET other = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const BOOL exclusive = TRUE;
  // Windows lets a socket with SO_REUSEADDR bind over a listener that did not ask for this.
  ::setsockopt(other, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  address.sin_port = ::htons(sim::kBridgePort);
  ASSERT_EQ(::bind(other, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(other, 1), 0);

  gState.moduleHandle = ::GetModuleHandleW(nullptr);
  cef_initialize(&kTable);
  ASSERT_EQ(::WaitForSingleObject(gState.bridgeThread, kPromptQuitMs), WAIT_OBJECT_0) << "the thread ends";
  // In use (10048), or refused (10013) as Windows does against an exclusive owner.
  const std::vector<std::string> lines = bridgeLines();
  ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
  EXPECT_TRUE(lines[0] == "[BRIDGE] bind(127.0.0.1:47651) failed. WSA=10048" ||
              lines[0] == "[BRIDGE] bind(127.0.0.1:47651) failed. WSA=10013")
      << lines[0];
  EXPECT_EQ(gState.listenSocket.load(), static_cast<uintptr_t>(INVALID_SOCKET));
  EXPECT_TRUE(sim::pumpUntil([] { return logCount("[KEYBOARD] Low-level hook installed.") == 1; }))
      << "the rest of the module keeps running";
  EXPECT_EQ(gState.pluginActive.load(), 1);
  EXPECT_LT(timedQuitMs(), kPromptQuitMs);
  EXPECT_EQ(bridgeLines().size(), 1u);
  ::closesocket(other);
}

}  // namespace
