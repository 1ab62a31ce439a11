// What the bridge does with one request, decided without touching anything: the answer, the
// command for the game thread, the flag to change at once and the lines to log.
#pragma once

#include <string>

#include "bridge/request_parsing.h"
#include "core/bridge_command.h"
#include "native/game_addresses.h"

inline constexpr char kOkBody[] = "{\"ok\":true}";
inline constexpr char kFailBody[] = "{\"ok\":false}";
inline constexpr char kUnknownActionBody[] = "{\"ok\":false,\"error\":\"unknown action\"}";
inline constexpr char kNotFoundBody[] = "{\"ok\":false,\"error\":\"not found\"}";
// The command queue refused the command: nothing will happen, and the page must not think so.
inline constexpr char kBusyBody[] = "{\"ok\":false,\"error\":\"busy\"}";

// Binding requests are refused outside these (compared as unsigned, so negatives are refused).
inline constexpr uint32_t kBindActionMax = game::kActionCount - 1;
inline constexpr uint32_t kBindTypeMax = game::kActionKeySlots - 1;

// A shared flag the bridge thread changes itself, before the answer.
enum class FlagChange { None, CloseMenu, EnableEsc, DisableEsc };

struct RouteDecision {
  int status = 0;
  std::string contentType;    // empty: JSON
  std::string body;
  bool servesState = false;   // the body is the current state document
  BridgeCommand command;      // kind 0: nothing to queue
  FlagChange flagChange = FlagChange::None;
  std::string acceptedLine;   // logged once the command is queued and the flag changed; may be empty
};

RouteDecision decideRoute(const RequestHead& head);

// "[BRIDGE] " method target "(origin=...)": one log line whatever bytes the peer sent.
std::string requestLogLine(const RequestHead& head);
