// Answers one request on the bridge thread: logs it, queues its command or changes its flag,
// and writes the whole answer on the connection.
#pragma once

#include <winsock2.h>

#include <string>

// Exactly one answer per call; never closes the connection.
void handleRequest(SOCKET connection, const std::string& text);

// Formats the answer in memory and sends all of it; a send that fails or times out drops the rest.
void sendResponse(SOCKET connection, int status, const std::string& contentType, const std::string& body,
                  const std::string& origin);
