// The simulated CEF host's browser functions.
#include "sim/sim_host.h"

#include <mutex>
#include <sstream>

namespace sim {
namespace {

std::mutex callsLock;
std::vector<HostCall> calls;
std::vector<uint32_t> pendingCreates;
bool answerCreates = false;

void record(HostCall call) {
  std::lock_guard<std::mutex> guard(callsLock);
  if (call.fn == HostFn::Create && answerCreates) pendingCreates.push_back(call.id);
  calls.push_back(std::move(call));
}

void __cdecl hostCreate(uint32_t id, const char* url, int32_t flagA, int32_t flagB) {
  record({HostFn::Create, id, flagA, flagB, url ? url : "", ::GetCurrentThreadId()});
}
void __cdecl hostSpare() { record({HostFn::Spare, 0, 0, 0, "", ::GetCurrentThreadId()}); }
void __cdecl hostHide(uint32_t id, int32_t hidden) { record({HostFn::Hide, id, hidden, 0, "", ::GetCurrentThreadId()}); }
void __cdecl hostFocus(uint32_t id, int32_t focused) { record({HostFn::Focus, id, focused, 0, "", ::GetCurrentThreadId()}); }

}  // namespace

HostApi hostTable() { return HostApi{&hostCreate, &hostSpare, &hostHide, &hostFocus}; }

std::vector<HostCall> hostCalls() {
  std::lock_guard<std::mutex> guard(callsLock);
  return calls;
}

void clearHostCalls() {
  std::lock_guard<std::mutex> guard(callsLock);
  calls.clear();
}

std::vector<HostCall> hostCallsFor(uint32_t id) {
  std::vector<HostCall> result;
  for (const HostCall& call : hostCalls())
    if (call.id == id && call.fn != HostFn::Spare) result.push_back(call);
  return result;
}

std::vector<HostCall> hostCallsOf(HostFn fn) {
  std::vector<HostCall> result;
  for (const HostCall& call : hostCalls())
    if (call.fn == fn) result.push_back(call);
  return result;
}

void setAnswerCreates(bool answer) {
  std::lock_guard<std::mutex> guard(callsLock);
  answerCreates = answer;
}

void deliverCreatedBrowsers(void(__cdecl* browserCreated)(uint32_t, int32_t)) {
  std::vector<uint32_t> ready;
  {
    std::lock_guard<std::mutex> guard(callsLock);
    ready.swap(pendingCreates);
  }
  for (uint32_t id : ready) browserCreated(id, 1);
}

std::string describe(const std::vector<HostCall>& sequence) {
  static const char* const names[] = {"create", "spare", "hide", "focus"};
  std::ostringstream text;
  for (const HostCall& call : sequence) {
    text << names[static_cast<int>(call.fn)] << '(' << call.id << ',' << call.first;
    if (call.fn == HostFn::Create) text << ',' << call.second << ',' << call.url;
    text << ") ";
  }
  return text.str();
}

}  // namespace sim
