// Gathering and draining one bridge connection, bounded in bytes and in total time.
#include "bridge/connection.h"

#include <algorithm>

uint32_t stepTimeoutMs(uint32_t elapsedMs, uint32_t deadlineMs) {
  if (elapsedMs >= deadlineMs) return 0;
  return std::min(kReadTimeoutMs, deadlineMs - elapsedMs);
}

bool takeTimeoutChange(uint32_t& inForceMs, uint32_t wantedMs) {
  if (inForceMs == wantedMs) return false;
  inForceMs = wantedMs;
  return true;
}

std::string gatherRequest(const ConnectionRead& read, const ConnectionClock& elapsedMs) {
  std::string text;
  text.reserve(kReadChunkBytes);
  char buffer[kReadChunkBytes];
  while (text.size() < kRequestMaxBytes) {
    const uint32_t timeoutMs = stepTimeoutMs(elapsedMs(), kRequestDeadlineMs);
    if (timeoutMs == 0) break;
    const int received = read(buffer, kReadChunkBytes, timeoutMs);
    if (received <= 0) break;
    text.append(buffer, static_cast<size_t>(received));
    // No Content-Length is read: a body that came with the header stays, the rest is drained.
    if (text.find("\r\n\r\n") != std::string::npos) break;
  }
  return text;
}

size_t drainConnection(const ConnectionRead& read, const ConnectionClock& elapsedMs) {
  size_t drained = 0;
  char buffer[kDrainChunkBytes];
  while (drained < kDrainMaxBytes) {
    const uint32_t timeoutMs = stepTimeoutMs(elapsedMs(), kConnectionDeadlineMs);
    if (timeoutMs == 0) break;
    const int received = read(buffer, kDrainChunkBytes, timeoutMs);
    if (received <= 0) break;
    drained += static_cast<size_t>(received);
  }
  return drained;
}
