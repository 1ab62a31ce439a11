// Time inside the benchmark process: the performance counter, read around the code measured.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace bench {

inline int64_t counterNow() {
  LARGE_INTEGER value;
  ::QueryPerformanceCounter(&value);
  return value.QuadPart;
}

inline double counterMicroseconds(int64_t ticks) {
  static const double ticksPerMicrosecond = [] {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e6;
  }();
  return static_cast<double>(ticks) / ticksPerMicrosecond;
}

// Microseconds one run of the body took.
template <typename Body>
double microsecondsOf(Body&& body) {
  const int64_t start = counterNow();
  body();
  return counterMicroseconds(counterNow() - start);
}

// Microseconds per call over a batch of calls, so the counter's own cost and resolution vanish
// in the batch.
template <typename Body>
double microsecondsPerCall(int calls, Body&& body) {
  const int64_t start = counterNow();
  for (int i = 0; i < calls; ++i) body();
  return counterMicroseconds(counterNow() - start) / calls;
}

// Batches of the module's calls and of its floor's in turns, the order switched every batch so
// neither always runs with the other's caches warm; one microseconds-per-call figure per batch.
template <typename Module, typename Floor>
void alternateBatches(int batches, int callsPerBatch, Module&& module, Floor&& floor, std::vector<double>& moduleFigures,
                      std::vector<double>& floorFigures) {
  for (int batch = 0; batch < batches; ++batch) {
    if (batch % 2 == 0) {
      moduleFigures.push_back(microsecondsPerCall(callsPerBatch, module));
      floorFigures.push_back(microsecondsPerCall(callsPerBatch, floor));
    } else {
      floorFigures.push_back(microsecondsPerCall(callsPerBatch, floor));
      moduleFigures.push_back(microsecondsPerCall(callsPerBatch, module));
    }
  }
}

}  // namespace bench
