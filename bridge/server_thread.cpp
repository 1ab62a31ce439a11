// The bridge thread: listens on the loopback port, serves one connection after another, and
// stops when cef_quit closes the listening socket.
#include <winsock2.h>

#include "bridge/server_thread.h"

#include <algorithm>
#include <string>

#include "bridge/connection.h"
#include "bridge/request_handler.h"
#include "core/contained.h"
#include "core/plugin_state.h"
#include "log/log_file.h"

namespace {

constexpr u_short kBridgePort = 47651;
constexpr int kListenBacklog = 8;
constexpr DWORD kAcceptRetryPauseMs = 15;

void setTimeout(SOCKET connection, int option, uint32_t& inForceMs, uint32_t timeoutMs) {
  if (!takeTimeoutChange(inForceMs, timeoutMs)) return;
  const DWORD value = timeoutMs;
  ::setsockopt(connection, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value);
}

// Creates, binds and starts the listening socket; on failure logs the step, releases what it
// opened and returns an invalid socket.
SOCKET openListenSocket() {
  const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) {
    logLine("[BRIDGE] socket() failed.");
    return INVALID_SOCKET;
  }
  gState.listenSocket.store(static_cast<uintptr_t>(listener));
  const BOOL reuse = TRUE;
  // Not looked at: without it a restart may wait for old connections to leave TIME_WAIT.
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  address.sin_port = ::htons(kBridgePort);
  if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = ::WSAGetLastError();
    logLine("[BRIDGE] bind(127.0.0.1:" + std::to_string(kBridgePort) + ") failed. WSA=" + std::to_string(error));
    closeBridgeListener();
    return INVALID_SOCKET;
  }
  if (::listen(listener, kListenBacklog) != 0) {
    logLine("[BRIDGE] listen() failed.");
    closeBridgeListener();
    return INVALID_SOCKET;
  }
  return listener;
}

// One request and one answer. Every step is bounded by the read time-out and the connection's
// deadlines, so neither a silent nor a trickling peer holds the thread past cef_quit's wait.
void serveConnection(SOCKET connection) {
  // Real time, like the socket time-outs themselves and cef_quit's wait for this thread.
  const DWORD acceptedAt = ::GetTickCount();
  const ConnectionClock elapsedMs = [acceptedAt] { return static_cast<uint32_t>(::GetTickCount() - acceptedAt); };
  ConnectionTimeouts timeouts;
  const ConnectionRead read = [connection, &timeouts](char* buffer, int size, uint32_t timeoutMs) {
    setTimeout(connection, SO_RCVTIMEO, timeouts.receiveMs, timeoutMs);
    return ::recv(connection, buffer, size, 0);
  };
  setTimeout(connection, SO_RCVTIMEO, timeouts.receiveMs, kReadTimeoutMs);
  setTimeout(connection, SO_SNDTIMEO, timeouts.sendMs, kReadTimeoutMs);
  // A request that finds no memory costs its own connection only; the next one is served.
  runContained("[BRIDGE] EXCEPTION while serving a connection.", [&] {
    const std::string text = gatherRequest(read, elapsedMs);
    if (!text.empty()) {
      // At least 1 ms: a zero time-out would mean waiting for ever.
      setTimeout(connection, SO_SNDTIMEO, timeouts.sendMs,
                 std::max<uint32_t>(1, stepTimeoutMs(elapsedMs(), kConnectionDeadlineMs)));
      handleRequest(connection, text);
    }
    ::shutdown(connection, SD_SEND);
    drainConnection(read, elapsedMs);
  });
  ::closesocket(connection);
}

void acceptLoop(SOCKET listener) {
  while (gState.stopRequested.load() == 0) {
    sockaddr_in peer{};
    int peerSize = sizeof peer;
    const SOCKET connection = ::accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerSize);
    if (connection != INVALID_SOCKET) {
      serveConnection(connection);
      continue;
    }
    // cef_quit closing the listening socket is the expected way out.
    if (gState.stopRequested.load() != 0) return;
    ::Sleep(kAcceptRetryPauseMs);
  }
}

void runBridge() {
  WSADATA winsock{};
  const int started = ::WSAStartup(MAKEWORD(2, 2), &winsock);
  if (started != 0) {
    logLine("[BRIDGE] WSAStartup failed: " + std::to_string(started));
    return;
  }
  const SOCKET listener = openListenSocket();
  if (listener == INVALID_SOCKET) {
    ::WSACleanup();
    return;
  }
  logLine("[BRIDGE] Listening on http://127.0.0.1:" + std::to_string(kBridgePort));
  acceptLoop(listener);
  closeBridgeListener();
  ::WSACleanup();
  logLine("[BRIDGE] HTTP bridge stopped.");
}

}  // namespace

// Taken by exchange on both sides (the bridge thread and cef_quit), so the socket is closed once.
void closeBridgeListener() {
  const uintptr_t socket = gState.listenSocket.exchange(static_cast<uintptr_t>(INVALID_SOCKET));
  if (socket == static_cast<uintptr_t>(INVALID_SOCKET)) return;
  ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
  ::closesocket(static_cast<SOCKET>(socket));
}

DWORD WINAPI bridgeServerThread(LPVOID /*unused*/) {
  runContained("[BRIDGE] EXCEPTION in the bridge thread.", [] { runBridge(); });
  return 0;
}
