// Formats the bridge's answers. The origin is echoed as received, so pages from files (origin
// "null") and from the host's local page origin may read the answers; an origin with a control
// byte (a bare LF passes the request parser) would write a header line of the peer's choosing
// into the answer, so it is answered like a request without one.
#include "bridge/response_text.h"

#include <sstream>

#include "log/byte_text.h"

namespace {

const char* reasonPhrase(int status) {
  switch (status) {
    case kStatusOk:
      return "OK";
    case kStatusNotFound:
      return "Not Found";
    case kStatusBusy:
      return "Service Unavailable";
    default:
      return "Bad Request";
  }
}

bool echoable(const std::string& origin) {
  if (origin.empty()) return false;
  for (const char c : origin)
    if (isControlByte(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

std::string formatResponse(int status, const std::string& contentType, const std::string& body,
                           const std::string& origin) {
  std::ostringstream response;
  response << "HTTP/1.1 " << status << ' ' << reasonPhrase(status) << "\r\n"
           << "Content-Type: " << (contentType.empty() ? kJsonContentType : contentType) << "; charset=utf-8\r\n"
           << "Access-Control-Allow-Origin: " << (echoable(origin) ? origin : "*") << "\r\n"
           << "Access-Control-Allow-Methods: GET, POST, OPTIONS\r\n"
           // Private Network Access: older hosts ask before a page reaches the loopback address.
           << "Access-Control-Allow-Headers: Content-Type, Accept, X-Requested-With, "
              "Access-Control-Request-Private-Network, Cache-Control\r\n"
           << "Access-Control-Allow-Private-Network: true\r\n"
           << "Access-Control-Max-Age: 86400\r\n"
           << "Cache-Control: no-store, no-cache, must-revalidate\r\n"
           << "Connection: close\r\n"
           << "Content-Length: " << body.size() << "\r\n\r\n";
  response.write(body.data(), static_cast<std::streamsize>(body.size()));
  return response.str();
}
