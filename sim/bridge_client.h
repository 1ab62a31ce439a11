// A raw Winsock client of the module's bridge on 127.0.0.1:47651: sends exact bytes, in pieces
// and with pauses if asked, and returns the exact bytes of the answer.
#pragma once

#include <winsock2.h>

#include <string>
#include <vector>

namespace sim {

constexpr unsigned short kBridgePort = 47651;

// One piece of what the client sends, and the pause after it.
struct Piece {
  std::string bytes;
  DWORD pauseMsAfter = 0;
};

// A connected socket, or INVALID_SOCKET when nothing listens (Winsock is started on first use).
SOCKET connectToBridge();

// Waits until the bridge accepts connections (true) or timeoutMs pass. The probe connection is
// closed at once, which the bridge serves without answer or log line.
bool waitForBridge(DWORD timeoutMs = 5000);

bool sendAll(SOCKET socket, const std::string& bytes);

// Everything received until the server closes, a receive error or timeoutMs of silence.
std::string receiveAll(SOCKET socket, DWORD timeoutMs = 5000);

// Connects, sends the pieces, receives the whole answer and closes.
std::string exchange(const std::vector<Piece>& pieces);
std::string exchange(const std::string& request);

// The answer split at its blank line; the body is empty when there is none.
std::string headerOf(const std::string& answer);
std::string bodyOf(const std::string& answer);

}  // namespace sim
