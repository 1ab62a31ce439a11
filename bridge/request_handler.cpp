// The bridge's request handler: turns a route decision into its effects and its answer. Game
// and browser work only ever leaves this thread as a queued command.
#include "bridge/request_handler.h"

#include <algorithm>
#include <climits>

#include "bridge/response_text.h"
#include "bridge/routes.h"
#include "core/command_queue.h"
#include "core/plugin_state.h"
#include "log/log_file.h"
#include "native/state_document.h"

namespace {

void applyFlagChange(FlagChange change) {
  switch (change) {
    case FlagChange::CloseMenu:
      // At once, so the keyboard hook treats the next ESC as closed-menu ESC; the game thread
      // hides the page when it carries out the queued command.
      gState.menuOpen.exchange(0);
      break;
    case FlagChange::EnableEsc:
      gState.escEnabled.exchange(1);
      break;
    case FlagChange::DisableEsc:
      gState.escEnabled.exchange(0);
      break;
    case FlagChange::None:
      break;
  }
}

// Formats the answer in memory and sends all of it; a send that fails or times out drops the rest.
void sendResponse(SOCKET connection, int status, const std::string& contentType, const std::string& body,
                  const std::string& origin) {
  const std::string response = formatResponse(status, contentType, body, origin);
  size_t sent = 0;
  while (sent < response.size()) {
    const int chunk = static_cast<int>(std::min<size_t>(response.size() - sent, INT_MAX));
    const int written = ::send(connection, response.data() + sent, chunk, 0);
    if (written <= 0) return;
    sent += static_cast<size_t>(written);
  }
}

}  // namespace

void handleRequest(SOCKET connection, const std::string& text) {
  const RequestHead head = parseRequestHead(text);
  logLine(requestLogLine(head));
  const RouteDecision decision = decideRoute(head);
  // The command goes first: when the queue refuses it nothing else happens, and the page
  // learns that its request was not taken instead of being told it was.
  if (decision.command.kind != 0 && !pushCommand(decision.command)) {
    sendResponse(connection, kStatusBusy, kJsonContentType, kBusyBody, head.origin);
    return;
  }
  applyFlagChange(decision.flagChange);
  if (!decision.acceptedLine.empty()) logLine(decision.acceptedLine);
  sendResponse(connection, decision.status, decision.contentType,
               decision.servesState ? readStateDocument() : decision.body, head.origin);
}
