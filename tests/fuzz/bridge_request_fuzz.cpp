// libFuzzer target: any bytes a peer may send, through gathering, parsing, routing, the log line
// and the answer. Beyond the sanitizers' checks it asserts what the pages and the log rely on.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge/connection.h"
#include "bridge/request_parsing.h"
#include "bridge/response_text.h"
#include "bridge/routes.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

// The input arrives in reads whose sizes the first bytes choose, at 100 ms per read.
std::string gatherFrom(const uint8_t* data, size_t size) {
  size_t offset = 0;
  uint32_t now = 0;
  const ConnectionRead read = [&](char* buffer, int room, uint32_t timeoutMs) {
    require(timeoutMs > 0 && timeoutMs <= kReadTimeoutMs);
    if (offset == size) return 0;
    const size_t piece = std::min<size_t>({static_cast<size_t>(room), size - offset, 1 + data[offset] % 97u * 31u});
    std::memcpy(buffer, data + offset, piece);
    offset += piece;
    now += 100;
    return static_cast<int>(piece);
  };
  const std::string text = gatherRequest(read, [&] { return now; });
  require(text.size() <= kRequestMaxBytes + kReadChunkBytes - 1);
  require(std::memcmp(text.data(), data, text.size()) == 0);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = gatherFrom(data, size);
  const RequestHead head = parseRequestHead(text);
  require(head.route.size() + head.query.size() <= head.target.size());

  const std::string line = requestLogLine(head);
  for (const char byte : line) require(static_cast<unsigned char>(byte) >= 0x20 && byte != 0x7F);

  const RouteDecision decision = decideRoute(head);
  require(decision.status == 200 || decision.status == 400 || decision.status == 404);
  for (const char byte : decision.acceptedLine) require(static_cast<unsigned char>(byte) >= 0x20 && byte != 0x7F);
  if (decision.command.kind == kCommandBinding)
    require(decision.command.action >= 0 && decision.command.action <= 58 && decision.command.type >= 0 &&
            decision.command.type <= 2);

  const std::string body = decision.servesState ? std::string("{\"supported\":false}") : decision.body;
  const std::string response = formatResponse(decision.status, decision.contentType, body, head.origin);
  const size_t headerEnd = response.find("\r\n\r\n");
  require(headerEnd != std::string::npos);
  require(response.substr(headerEnd + 4) == body);
  require(response.find("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n") != std::string::npos);

  // Every parameter name the routes ask for decodes without trouble, whatever the query.
  for (const char* name : {"name", "value", "type", "action", "key"}) {
    const std::string value = getQueryParam(head.query, name);
    require(value.size() <= head.query.size());
    parseIntOr(value, -1);
  }
  return 0;
}
