// Answers one request on the bridge thread: logs it, queues its command or changes its flag,
// and writes the whole answer on the connection.
#pragma once

#include <winsock2.h>

#include <string>

// Exactly one answer per call; never closes the connection.
void handleRequest(SOCKET connection, const std::string& text);
