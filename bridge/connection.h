// One bridge connection's reading, as pure code over a read function and a clock: gathering the
// request text and draining what the peer sends after the answer, within the limits below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

inline constexpr int kReadChunkBytes = 2048;       // room reserved up front, and the size of every read
inline constexpr size_t kRequestMaxBytes = 8192;   // gathering stops once the text holds this many
inline constexpr uint32_t kReadTimeoutMs = 1200;   // longest wait for any one read or send
inline constexpr int kDrainChunkBytes = 256;
// Leftovers of an oversized header or a body are drained so that the close does not reset the
// connection under the answer; a peer that keeps sending is cut off here.
inline constexpr size_t kDrainMaxBytes = 64 * 1024;
// Each read is bounded, but a peer trickling a byte a second never lets one time out. So the
// whole connection has a deadline, counted from accept: the request is gathered within the
// first, the answer sent and the rest drained within the second. It stays well below the
// 2200 ms that cef_quit waits for the bridge thread, which must not outlive that wait.
inline constexpr uint32_t kRequestDeadlineMs = 1300;
inline constexpr uint32_t kConnectionDeadlineMs = 1700;

// Reads at most size bytes, waiting at most timeoutMs (never 0): the count, 0 when the peer
// closed, negative on an error or a time-out.
using ConnectionRead = std::function<int(char* buffer, int size, uint32_t timeoutMs)>;
// Milliseconds since the connection was accepted.
using ConnectionClock = std::function<uint32_t()>;

// The wait for the next step: the per-read time-out, shortened to what is left before the
// deadline; 0 once the deadline has passed (the step is then not taken).
uint32_t stepTimeoutMs(uint32_t elapsedMs, uint32_t deadlineMs);

// The time-outs in force on one connection (0: not set yet; the module never asks for 0, which
// would mean waiting for ever). Under Wine every setsockopt is a round trip to the wineserver,
// as dear as the read it prepares, and an ordinary request would set the same 1200 ms five
// times; so a time-out is set only when the wanted value differs from the one in force.
struct ConnectionTimeouts {
  uint32_t receiveMs = 0;
  uint32_t sendMs = 0;
};

// True, with the wanted value noted as in force, when it differs from the one in force.
bool takeTimeoutChange(uint32_t& inForceMs, uint32_t wantedMs);

// Whole request text: reads until the blank line after the header, the size limit, a read that
// gives nothing (closed, error, silence) or the request deadline. Bytes are kept unchanged.
std::string gatherRequest(const ConnectionRead& read, const ConnectionClock& elapsedMs);

// After the answer: discards what the peer still sends until it closes, goes silent, the drain
// limit or the connection deadline. Returns the bytes discarded.
size_t drainConnection(const ConnectionRead& read, const ConnectionClock& elapsedMs);
