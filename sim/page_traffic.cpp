// Pages on threads of their own against the bridge, counting every answer.
#include "sim/page_traffic.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <nlohmann/json.hpp>

#include "sim/bridge_client.h"

namespace sim {
namespace {

// Waits pauseMs in small steps so that stop() never waits long for a page.
void pauseUnless(const std::atomic<bool>& stopping, DWORD pauseMs) {
  for (DWORD waited = 0; waited < pauseMs && !stopping.load(); waited += 10) ::Sleep(std::min<DWORD>(10, pauseMs - waited));
}

void raiseTo(std::atomic<int>& slowest, int ms) {
  int seen = slowest.load();
  while (ms > seen && !slowest.compare_exchange_weak(seen, ms)) {
  }
}

}  // namespace

bool longStressRun() {
  const char* value = std::getenv("TEMBRA_STRESS_LONG");
  return value != nullptr && std::string(value) == "1";
}

int statusOf(const std::string& answer) {
  if (answer.rfind("HTTP/1.1 ", 0) != 0 || answer.size() < 12) return 0;
  return std::atoi(answer.substr(9, 3).c_str());
}

bool isValidJson(const std::string& text) { return nlohmann::json::accept(text); }

void PageTraffic::spawn(std::function<void()> body) {
  threads_.emplace_back([this, body = std::move(body)] {
    {
      std::lock_guard<std::mutex> hold(idsLock_);
      ids_.push_back(::GetCurrentThreadId());
    }
    body();
  });
}

void PageTraffic::addPage(NextTarget next, DWORD pauseMs, OnAnswer onAnswer) {
  spawn([this, next = std::move(next), pauseMs, onAnswer = std::move(onAnswer)] {
    for (int index = 0; !stopping_.load(); ++index) {
      const std::string target = next(index);
      const auto started = std::chrono::steady_clock::now();
      const std::string answer = exchange("GET " + target + " HTTP/1.1\r\nOrigin: http://stress.page\r\n\r\n");
      const int ms = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
      tally_.requests++;
      const int status = statusOf(answer);
      if (status == 0) {
        tally_.noAnswer++;
        pauseUnless(stopping_, 20);  // nothing listening (yet, or any more)
        continue;
      }
      raiseTo(tally_.slowest, ms);
      if (status == 200) {
        tally_.ok++;
        if (target.rfind("/state", 0) == 0 && !isValidJson(bodyOf(answer))) tally_.invalidState++;
      } else if (status == 503) {
        tally_.busy++;
      } else {
        tally_.otherStatus++;
      }
      if (onAnswer) onAnswer(target, status);
      pauseUnless(stopping_, pauseMs);
    }
  });
}

void PageTraffic::addTrickler(DWORD byteIntervalMs) {
  spawn([this, byteIntervalMs] {
    const std::string request = "GET /state HTTP/1.1\r\n\r\n";
    while (!stopping_.load()) {
      const SOCKET client = connectToBridge();
      if (client == INVALID_SOCKET) {
        pauseUnless(stopping_, 20);
        continue;
      }
      // The bridge cuts a peer this slow off at its request deadline and answers what it has.
      for (char byte : request) {
        if (stopping_.load() || !sendAll(client, std::string(1, byte))) break;
        ::Sleep(byteIntervalMs);
      }
      receiveAll(client, 3000);
      ::closesocket(client);
    }
  });
}

void PageTraffic::addKeyPresser(WORD virtualKey, DWORD pauseMs) {
  spawn([this, virtualKey, pauseMs] {
    while (!stopping_.load()) {
      INPUT inputs[2] = {};
      inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
      inputs[0].ki.wVk = inputs[1].ki.wVk = virtualKey;
      // With its scan code, as a keyboard sends it: the hook procedure looks the key up by it.
      inputs[0].ki.wScan = inputs[1].ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
      inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
      ::SendInput(2, inputs, sizeof(INPUT));
      pauseUnless(stopping_, pauseMs);
    }
  });
}

std::vector<DWORD> PageTraffic::threadIds() {
  // A page records its id when it begins, which may be a moment after it was added.
  for (int waited = 0; waited < 2000; waited += 10) {
    {
      std::lock_guard<std::mutex> hold(idsLock_);
      if (ids_.size() == threads_.size()) return ids_;
    }
    ::Sleep(10);
  }
  std::lock_guard<std::mutex> hold(idsLock_);
  return ids_;
}

void PageTraffic::stop() {
  stopping_.store(true);
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
  ids_.clear();
  stopping_.store(false);
}

}  // namespace sim
