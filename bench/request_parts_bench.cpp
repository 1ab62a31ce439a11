// The pieces of a bridge request that the floor server does not do, each timed alone.
#include "bench/request_parts_bench.h"

#include <winsock2.h>

#include <cstdio>
#include <vector>

#include "bench/bench_clock.h"
#include "log/log_file.h"
#include "native/state_document.h"

namespace bench {
namespace {

constexpr DWORD kTimeoutMs = 1200;

template <typename Body>
void timePiece(const char* name, const Plan& plan, Body&& body) {
  const int batches = plan.smoke ? 1 : 41;
  const int calls = plan.smoke ? 2 : 20;
  std::vector<double> figures;
  for (int batch = 0; batch < batches; ++batch) figures.push_back(microsecondsPerCall(calls, body));
  std::printf("PART\t%s\t-\t%s\n", name, formatMicrosecondsSpread(spreadOf(figures)).c_str());
  std::fflush(stdout);
}

}  // namespace

void benchRequestParts(const Plan& plan) {
  timePiece("a request's log line (open, write, close)", plan,
            [] { logLine("[BRIDGE] GET /state (origin=null)"); });
  timePiece("copy of the cached document", plan, [] { readStateDocument(); });
  WSADATA winsock{};
  if (::WSAStartup(MAKEWORD(2, 2), &winsock) != 0) return;
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  timePiece("one socket time-out set (setsockopt SO_RCVTIMEO)", plan, [socket] {
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&kTimeoutMs), sizeof kTimeoutMs);
  });
  ::closesocket(socket);
  ::WSACleanup();
}

}  // namespace bench
