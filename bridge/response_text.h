// The bridge's answer as bytes: status line, the fixed CORS and cache headers, the body.
#pragma once

#include <string>

inline constexpr int kStatusOk = 200;
inline constexpr int kStatusBadRequest = 400;
inline constexpr int kStatusNotFound = 404;
inline constexpr int kStatusBusy = 503;

inline constexpr char kJsonContentType[] = "application/json";
inline constexpr char kTextContentType[] = "text/plain";

// The whole response; an empty content type means JSON, an empty origin is answered with "*".
// Every answer carries the same headers in the same order, with an exact Content-Length.
std::string formatResponse(int status, const std::string& contentType, const std::string& body,
                           const std::string& origin);
