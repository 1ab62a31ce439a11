// The raw bridge client of the tests.
#include "sim/bridge_client.h"

#include <chrono>

namespace sim {
namespace {

void startWinsockOnce() {
  static const bool started = [] {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

}  // namespace

SOCKET connectToBridge() {
  startWinsockOnce();
  const SOCKET client = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (client == INVALID_SOCKET) return INVALID_SOCKET;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  address.sin_port = ::htons(kBridgePort);
  if (::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::closesocket(client);
    return INVALID_SOCKET;
  }
  return client;
}

bool waitForBridge(DWORD timeoutMs) {
  // Not GetTickCount64: a test may have replaced it with its controlled clock.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    const SOCKET probe = connectToBridge();
    if (probe != INVALID_SOCKET) {
      ::closesocket(probe);
      return true;
    }
    ::Sleep(20);
  }
  return false;
}

bool sendAll(SOCKET socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int written = ::send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (written <= 0) return false;
    sent += static_cast<size_t>(written);
  }
  return true;
}

std::string receiveAll(SOCKET socket, DWORD timeoutMs) {
  ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
  std::string received;
  char buffer[4096];
  int count;
  while ((count = ::recv(socket, buffer, sizeof buffer, 0)) > 0) received.append(buffer, static_cast<size_t>(count));
  return received;
}

std::string exchange(const std::vector<Piece>& pieces) {
  const SOCKET client = connectToBridge();
  if (client == INVALID_SOCKET) return "(no connection)";
  for (const Piece& piece : pieces) {
    if (!sendAll(client, piece.bytes)) break;
    if (piece.pauseMsAfter != 0) ::Sleep(piece.pauseMsAfter);
  }
  const std::string answer = receiveAll(client);
  ::closesocket(client);
  return answer;
}

std::string exchange(const std::string& request) { return exchange(std::vector<Piece>{{request, 0}}); }

std::string headerOf(const std::string& answer) { return answer.substr(0, answer.find("\r\n\r\n")); }

std::string bodyOf(const std::string& answer) {
  const size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

}  // namespace sim
