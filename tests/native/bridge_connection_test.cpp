// Gathering and draining one connection against a scripted peer and clock: split reads, the size
// limit, silence, and the deadlines that keep a trickling peer from holding the bridge.
#include "bridge/connection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// One scripted step of the peer: the bytes a read returns (or a result without bytes), and the
// milliseconds that pass before it returns.
struct Step {
  std::string bytes;
  int result;  // used when bytes is empty: 0 closed
  uint32_t takesMs;
};

Step data(const std::string& bytes, uint32_t takesMs = 0) { return {bytes, 0, takesMs}; }
Step closed() { return {"", 0, 0}; }

// A peer that plays its steps in order and records every read's size and time-out.
struct ScriptedPeer {
  explicit ScriptedPeer(std::vector<Step> script) : steps(std::move(script)) {}

  std::vector<Step> steps;
  size_t next = 0;
  uint32_t now = 0;
  std::vector<int> sizes;
  std::vector<uint32_t> timeouts;

  ConnectionRead reader() {
    return [this](char* buffer, int size, uint32_t timeoutMs) {
      sizes.push_back(size);
      timeouts.push_back(timeoutMs);
      EXPECT_GT(timeoutMs, 0u) << "a zero time-out would mean no time-out at all";
      if (next == steps.size()) {  // the script is over: the peer stays silent
        now += timeoutMs;
        return -1;
      }
      const Step& step = steps[next++];
      // A step that would outlast the read's time-out ends with the time-out instead.
      if (step.takesMs > timeoutMs) {
        now += timeoutMs;
        --next;
        steps[next].takesMs -= timeoutMs;
        return -1;
      }
      now += step.takesMs;
      if (step.bytes.empty()) return step.result;
      const size_t count = std::min(step.bytes.size(), static_cast<size_t>(size));
      std::memcpy(buffer, step.bytes.data(), count);
      if (count < step.bytes.size()) {
        steps[--next].bytes.erase(0, count);
        steps[next].takesMs = 0;
      }
      return static_cast<int>(count);
    };
  }
  ConnectionClock clock() {
    return [this] { return now; };
  }
};

TEST(Gathering, StopsAtTheBlankLineOrWhenThePeerStopsSending) {
  const struct {
    const char* why;
    std::vector<Step> steps;
    std::string gathered;
    size_t reads;
  } cases[] = {
      {"one read", {data("GET /state HTTP/1.1\r\n\r\n")}, "GET /state HTTP/1.1\r\n\r\n", 1},
      {"header in pieces", {data("GET /st"), data("ate HTTP/1.1\r\n"), data("\r"), data("\n"), data("more")},
       "GET /state HTTP/1.1\r\n\r\n", 4},
      {"a body that came along stays", {data("GET / HTTP/1.1\r\n\r\nbody")}, "GET / HTTP/1.1\r\n\r\nbody", 1},
      {"peer closes early", {data("GET /sta"), closed()}, "GET /sta", 2},
      {"peer closes at once", {closed()}, "", 1},
      {"silence ends it after one read time-out", {data("GET /state HTTP/1.1\r\n")}, "GET /state HTTP/1.1\r\n", 2},
      {"NUL bytes are kept", {data(std::string("GET /\0 x\r\n\r\n", 12))}, std::string("GET /\0 x\r\n\r\n", 12), 1},
  };
  for (const auto& c : cases) {
    ScriptedPeer peer{c.steps};
    EXPECT_EQ(gatherRequest(peer.reader(), peer.clock()), c.gathered) << c.why;
    EXPECT_EQ(peer.sizes.size(), c.reads) << c.why;
    for (int size : peer.sizes) EXPECT_EQ(size, kReadChunkBytes) << c.why;
  }
}

TEST(Gathering, OversizedHeaderIsCutAtTheReadThatReachesTheLimit) {
  ScriptedPeer peer{{data(std::string(30 * 1024, 'a'))}};
  const std::string text = gatherRequest(peer.reader(), peer.clock());
  EXPECT_EQ(text.size(), kRequestMaxBytes) << "four full reads";
  ScriptedPeer odd{{data(std::string(100, 'b')), data(std::string(30 * 1024, 'a'))}};
  EXPECT_EQ(gatherRequest(odd.reader(), odd.clock()).size(), 100u + 4 * kReadChunkBytes)
      << "the read that crosses 8192 bytes is kept whole: at most 8192 + 2047 bytes";
}

TEST(Gathering, EachReadWaitsAtMost1200Ms) {
  ScriptedPeer peer{{data("GET /", 1000), data("state", 1100)}};
  gatherRequest(peer.reader(), peer.clock());
  ASSERT_GE(peer.timeouts.size(), 1u);
  EXPECT_EQ(peer.timeouts[0], kReadTimeoutMs);
}

// The fault this guards: a peer sending a byte every few hundred milliseconds never lets a read
// time out, and without a deadline held the bridge for up to 8192 such bytes.
TEST(Gathering, TricklingPeerIsCutOffAtTheRequestDeadline) {
  std::vector<Step> trickle;
  for (int i = 0; i < 8192; ++i) trickle.push_back(data("x", 300));
  ScriptedPeer peer{trickle};
  const std::string text = gatherRequest(peer.reader(), peer.clock());
  EXPECT_LE(peer.now, kRequestDeadlineMs);
  EXPECT_EQ(text, std::string(4, 'x')) << "what arrived before the deadline is the request";
  EXPECT_EQ(peer.timeouts.back(), kRequestDeadlineMs - 1200u) << "the last read only waits out the deadline";
}

TEST(Draining, DiscardsUntilThePeerClosesOrGoesSilent) {
  ScriptedPeer closing{{data(std::string(20000, 'r')), closed()}};
  EXPECT_EQ(drainConnection(closing.reader(), closing.clock()), 20000u);
  for (int size : closing.sizes) EXPECT_EQ(size, kDrainChunkBytes);
  ScriptedPeer quiet{{}};
  EXPECT_EQ(drainConnection(quiet.reader(), quiet.clock()), 0u);
  EXPECT_EQ(quiet.now, kReadTimeoutMs) << "a peer that keeps the connection open without sending";
}

TEST(Draining, FloodingOrTricklingPeerIsCutOff) {
  ScriptedPeer flood{{data(std::string(1024 * 1024, 'f'))}};
  EXPECT_EQ(drainConnection(flood.reader(), flood.clock()), kDrainMaxBytes);

  std::vector<Step> trickle;
  for (int i = 0; i < 1000; ++i) trickle.push_back(data("y", 250));
  ScriptedPeer slow{trickle};
  slow.now = 600;  // request and answer took this long
  EXPECT_EQ(drainConnection(slow.reader(), slow.clock()), 4u);
  EXPECT_LE(slow.now, kConnectionDeadlineMs);
}

TEST(Deadlines, WholeConnectionEndsWellWithinTheQuitWait) {
  // Worst case: every step waits as long as it may. Gathering ends by the request deadline,
  // the answer and the drain by the connection deadline.
  constexpr uint32_t kQuitWaitMs = 2200;
  EXPECT_LT(kRequestDeadlineMs, kConnectionDeadlineMs);
  EXPECT_GE(kRequestDeadlineMs, kReadTimeoutMs) << "a peer silent after a partial request still gets 1200 ms";
  EXPECT_LE(kConnectionDeadlineMs + 300, kQuitWaitMs);
  const struct {
    uint32_t elapsed, deadline, timeout;
  } cases[] = {{0, 1300, 1200}, {100, 1300, 1200}, {101, 1300, 1199}, {1299, 1300, 1}, {1300, 1300, 0},
               {5000, 1300, 0}};
  for (const auto& c : cases) EXPECT_EQ(stepTimeoutMs(c.elapsed, c.deadline), c.timeout) << c.elapsed;
}

// The time-out a connection's reads ask for, folded as the server thread sets it: the number of
// settings beyond the first 1200 ms set at accept.
int timeoutSettingsAfterAccept(const std::vector<uint32_t>& asked) {
  uint32_t inForce = 0;
  takeTimeoutChange(inForce, kReadTimeoutMs);
  int settings = 0;
  for (uint32_t timeout : asked) settings += takeTimeoutChange(inForce, timeout) ? 1 : 0;
  return settings;
}

TEST(Timeouts, AreSetOnlyWhenTheWantedValueChanges) {
  const struct {
    uint32_t inForce, wanted;
    bool set;
  } cases[] = {{0, 1200, true}, {1200, 1200, false}, {1200, 899, true}, {899, 1200, true}, {1, 1, false}};
  for (const auto& c : cases) {
    uint32_t inForce = c.inForce;
    EXPECT_EQ(takeTimeoutChange(inForce, c.wanted), c.set) << c.inForce << " -> " << c.wanted;
    EXPECT_EQ(inForce, c.wanted) << "the wanted value is in force afterwards";
  }

  // An ordinary page's request: gathered in one read, drained in one; the accept's 1200 ms serve both.
  ScriptedPeer page{{data("GET /state HTTP/1.1\r\n\r\n")}};
  gatherRequest(page.reader(), page.clock());
  ScriptedPeer leaving{{closed()}};
  drainConnection(leaving.reader(), leaving.clock());
  std::vector<uint32_t> asked = page.timeouts;
  asked.insert(asked.end(), leaving.timeouts.begin(), leaving.timeouts.end());
  EXPECT_EQ(timeoutSettingsAfterAccept(asked), 0);

  // A trickling peer still gets every shortened wait the deadline asks for.
  std::vector<Step> trickle;
  for (int i = 0; i < 100; ++i) trickle.push_back(data("x", 300));
  ScriptedPeer slow{trickle};
  gatherRequest(slow.reader(), slow.clock());
  EXPECT_EQ(timeoutSettingsAfterAccept(slow.timeouts), 4) << ::testing::PrintToString(slow.timeouts);
}

}  // namespace
