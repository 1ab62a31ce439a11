// The bridge's routes: a preflight for any path, and GET of "/state", "/action", "/setting" and
// "/bind". Game and browser work becomes a command for the game thread.
#include "bridge/routes.h"

#include "bridge/response_text.h"
#include "log/log_line.h"

namespace {

RouteDecision answer(int status, const char* body) {
  RouteDecision decision;
  decision.status = status;
  decision.body = body;
  return decision;
}

RouteDecision accepted(int32_t kind) {
  RouteDecision decision = answer(kStatusOk, kOkBody);
  decision.command.kind = kind;
  return decision;
}

RouteDecision withLine(RouteDecision decision, const char* line) {
  decision.acceptedLine = line;
  return decision;
}

RouteDecision flagOnly(FlagChange change, const char* line) {
  RouteDecision decision = withLine(answer(kStatusOk, kOkBody), line);
  decision.flagChange = change;
  return decision;
}

RouteDecision actionRoute(const std::string& query) {
  const std::string name = getQueryParam(query, "name");
  if (name == "continue") {
    RouteDecision decision = withLine(accepted(kCommandContinue), "[BRIDGE] Action: CONTINUE accepted");
    decision.flagChange = FlagChange::CloseMenu;
    return decision;
  }
  if (name == "map") return withLine(accepted(kCommandMap), "[BRIDGE] Action: MAP accepted");
  if (name == "exit") return withLine(accepted(kCommandExit), "[BRIDGE] Action: EXIT accepted");
  if (name == "reset_controls")
    return withLine(accepted(kCommandResetControls), "[BRIDGE] Action: RESET_CONTROLS accepted");
  if (name == "capture_on") {
    RouteDecision decision = accepted(kCommandCaptureOn);
    decision.command.value = parseIntOr(getQueryParam(query, "type"), 0) == 2 ? 2 : 1;
    return decision;
  }
  if (name == "capture_off") return accepted(kCommandCaptureOff);
  if (name == "loading_hide") return accepted(kCommandLoadingHide);
  if (name == "enable_esc") return flagOnly(FlagChange::EnableEsc, "[ESC] ESC ENABLED via web action (player in game).");
  if (name == "disable_esc")
    return flagOnly(FlagChange::DisableEsc, "[ESC] ESC DISABLED via web action (player in auth).");
  return answer(kStatusBadRequest, kUnknownActionBody);
}

// The name is not looked up here: the game thread rejects unknown names and out-of-range
// values in its log, so one list of settings stays the only one.
RouteDecision settingRoute(const std::string& query) {
  const std::string name = getQueryParam(query, "name");
  const std::string valueText = getQueryParam(query, "value");
  if (name.empty() || valueText.empty()) return answer(kStatusBadRequest, kFailBody);
  RouteDecision decision = accepted(kCommandSetting);
  decision.command.name = name;
  decision.command.value = parseIntOr(valueText, 0);
  decision.acceptedLine =
      "[BRIDGE] Setting applied: " + escapeControlBytes(name) + " = " + std::to_string(decision.command.value);
  return decision;
}

RouteDecision bindRoute(const std::string& query) {
  const int32_t action = parseIntOr(getQueryParam(query, "action"), -1);
  const int32_t type = parseIntOr(getQueryParam(query, "type"), -1);
  const int32_t key = parseIntOr(getQueryParam(query, "key"), 0);
  if (static_cast<uint32_t>(action) > kBindActionMax || static_cast<uint32_t>(type) > kBindTypeMax)
    return answer(kStatusBadRequest, kFailBody);
  RouteDecision decision = accepted(kCommandBinding);
  decision.command.action = action;
  decision.command.type = type;
  decision.command.key = static_cast<uint32_t>(key);
  return decision;
}

}  // namespace

RouteDecision decideRoute(const RequestHead& head) {
  if (head.method == "OPTIONS") {
    RouteDecision decision = answer(kStatusOk, "OK");
    decision.contentType = kTextContentType;
    return decision;
  }
  if (head.method != "GET" || head.target.empty()) return answer(kStatusBadRequest, kFailBody);
  if (head.route == "/state") {
    RouteDecision decision = answer(kStatusOk, "");
    decision.servesState = true;
    return decision;
  }
  if (head.route == "/action") return actionRoute(head.query);
  if (head.route == "/setting") return settingRoute(head.query);
  if (head.route == "/bind") return bindRoute(head.query);
  return answer(kStatusNotFound, kNotFoundBody);
}

std::string requestLogLine(const RequestHead& head) {
  return "[BRIDGE] " + escapeControlBytes(head.method) + " " + escapeControlBytes(head.target) +
         " (origin=" + (head.origin.empty() ? std::string("none") : escapeControlBytes(head.origin)) + ")";
}
