// The floor for the bridge's requests per second: a minimal blocking Winsock server in the same
// Wine, answering every connection with the same bytes as the module's "/state" answer and the
// same connection handling (loopback, backlog 8, one connection at a time: read the header,
// answer, half-close, read until the peer closes, close), without anything else the module does
// for a request (its time-outs, parsing, log line, document copy and answer text).
//
// With --designed LOG_FILE it also does the two things the module's design asks of every
// connection: both socket time-outs set, and one log line appended with its own open, write and
// close. What then separates the module from it is the module's own doing.
//
//   floor_server.exe PORT ANSWER_FILE [--designed LOG_FILE]     serves until it is ended
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kListenBacklog = 8;
constexpr int kReadChunkBytes = 2048;
constexpr int kDrainChunkBytes = 256;
constexpr DWORD kTimeoutMs = 1200;
constexpr char kLogLine[] = "[00:00:00.000] [BRIDGE] GET /state (origin=null)\r\n";

std::wstring designedLog;  // empty: the minimal floor

void setTimeouts(SOCKET connection) {
  ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&kTimeoutMs), sizeof kTimeoutMs);
  ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&kTimeoutMs), sizeof kTimeoutMs);
}

void appendLogLine() {
  const HANDLE file = ::CreateFileW(designedLog.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, kLogLine, sizeof kLogLine - 1, &written, nullptr);
  ::CloseHandle(file);
}

std::string readAnswer(const char* path) {
  std::string bytes;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return bytes;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

void serve(SOCKET connection, const std::string& answer) {
  if (!designedLog.empty()) setTimeouts(connection);
  std::string request;
  char buffer[kReadChunkBytes];
  for (int got; request.find("\r\n\r\n") == std::string::npos && (got = ::recv(connection, buffer, sizeof buffer, 0)) > 0;)
    request.append(buffer, got);
  if (!designedLog.empty()) appendLogLine();
  for (size_t sent = 0; sent < answer.size();) {
    const int written = ::send(connection, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
    if (written <= 0) break;
    sent += static_cast<size_t>(written);
  }
  ::shutdown(connection, SD_SEND);
  char drain[kDrainChunkBytes];
  while (::recv(connection, drain, sizeof drain, 0) > 0) {
  }
  ::closesocket(connection);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--designed") == 0)) {
    std::fprintf(stderr, "usage: floor_server.exe PORT ANSWER_FILE [--designed LOG_FILE]\n");
    return 2;
  }
  if (argc == 5) designedLog.assign(argv[4], argv[4] + std::strlen(argv[4]));
  const std::string answer = readAnswer(argv[2]);
  WSADATA winsock{};
  if (answer.empty() || ::WSAStartup(MAKEWORD(2, 2), &winsock) != 0) return 1;
  const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const BOOL reuse = TRUE;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  address.sin_port = ::htons(static_cast<u_short>(std::atoi(argv[1])));
  if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, kListenBacklog) != 0) {
    std::fprintf(stderr, "floor_server: cannot listen on port %s (WSA=%d)\n", argv[1], ::WSAGetLastError());
    return 1;
  }
  std::printf("floor_server: listening on port %s\n", argv[1]);
  std::fflush(stdout);
  for (;;) {
    const SOCKET connection = ::accept(listener, nullptr, nullptr);
    if (connection != INVALID_SOCKET) serve(connection, answer);
  }
}
