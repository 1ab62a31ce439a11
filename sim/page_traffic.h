// Pages talking to the bridge from threads of their own while the game thread runs frames, as
// the host's browsers do: polling "/state", sending commands, trickling, and a key held down
// for the keyboard hook. Every page repeats until stopped and counts what came back.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// Whether the stress command asked for its long run (TEMBRA_STRESS_LONG=1): the scenarios then
// run for minutes instead of seconds.
bool longStressRun();

// The status of a raw HTTP answer; 0 when it has no status line (no answer at all).
int statusOf(const std::string& answer);

// Whether the text is one complete JSON value.
bool isValidJson(const std::string& text);

// What the pages got back, summed over all of them.
struct PageTally {
  std::atomic<int> requests{0};
  std::atomic<int> ok{0};            // 200
  std::atomic<int> busy{0};          // 503: the command was refused, nothing will happen
  std::atomic<int> otherStatus{0};   // any other status
  std::atomic<int> noAnswer{0};      // refused connection, or closed without an answer
  std::atomic<int> invalidState{0};  // a 200 "/state" whose body is not valid JSON
  std::atomic<int> slowest{0};       // ms of the slowest answered request
};

// The next request target of a page (e.g. "/state"), given how many it sent before.
using NextTarget = std::function<std::string(int index)>;
// Told the target and status of each answered request, on the page's thread.
using OnAnswer = std::function<void(const std::string& target, int status)>;

class PageTraffic {
 public:
  PageTraffic() = default;
  PageTraffic(const PageTraffic&) = delete;
  PageTraffic& operator=(const PageTraffic&) = delete;
  ~PageTraffic() { stop(); }

  // A page sending GET requests one after another, pauseMs apart.
  void addPage(NextTarget next, DWORD pauseMs, OnAnswer onAnswer = nullptr);
  // A peer that sends "GET /state" one byte every byteIntervalMs, again and again.
  void addTrickler(DWORD byteIntervalMs);
  // Presses and releases the key every pauseMs through SendInput, which runs the module's
  // low-level hook on its thread for every event.
  void addKeyPresser(WORD virtualKey, DWORD pauseMs);

  // Stops and joins every page; safe to call twice.
  void stop();
  const PageTally& tally() const { return tally_; }
  // The ids of the pages' threads, so a test can tell them from the module's own.
  std::vector<DWORD> threadIds();

 private:
  void spawn(std::function<void()> body);
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> threads_;
  std::mutex idsLock_;
  std::vector<DWORD> ids_;
  PageTally tally_;
};

}  // namespace sim
