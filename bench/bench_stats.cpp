// Medians, spreads, percentiles and the text of the benchmark's rows.
#include "bench/bench_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace bench {
namespace {

// The value at a fractional position of sorted samples, between its two neighbours.
double interpolated(const std::vector<double>& sorted, double position) {
  const size_t below = static_cast<size_t>(std::floor(position));
  const size_t above = std::min(below + 1, sorted.size() - 1);
  const double weight = position - static_cast<double>(below);
  return sorted[below] + (sorted[above] - sorted[below]) * weight;
}

std::string sanitized(const std::string& field) {
  std::string text = field;
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

const char* verdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Met:
      return "met";
    case Verdict::Missed:
      return "MISSED";
    case Verdict::Failed:
      return "FAILED";
    case Verdict::NotJudged:
      break;
  }
  return "—";
}

}  // namespace

Spread spreadOf(std::vector<double> samples) {
  Spread spread;
  spread.count = samples.size();
  if (samples.empty()) return spread;
  std::sort(samples.begin(), samples.end());
  const double last = static_cast<double>(samples.size() - 1);
  spread.lower = interpolated(samples, last * 0.25);
  spread.median = interpolated(samples, last * 0.5);
  spread.upper = interpolated(samples, last * 0.75);
  return spread;
}

double percentileOf(std::vector<double> samples, double fraction) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const double rank = std::ceil(fraction * static_cast<double>(samples.size()));
  const size_t index = rank < 1 ? 0 : std::min(samples.size(), static_cast<size_t>(rank)) - 1;
  return samples[index];
}

double meanOf(const std::vector<double>& samples) {
  if (samples.empty()) return 0;
  return std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(samples.size());
}

std::vector<double> ratiosOf(const std::vector<double>& module, const std::vector<double>& floor) {
  std::vector<double> ratios;
  for (size_t i = 0; i < module.size() && i < floor.size(); ++i)
    if (floor[i] > 0) ratios.push_back(module[i] / floor[i]);
  return ratios;
}

std::string formatNumber(double value) {
  char text[32];
  const double magnitude = std::fabs(value);
  const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string formatMicroseconds(double microseconds) {
  if (std::fabs(microseconds) < 1) return formatNumber(microseconds * 1000) + " ns";
  if (std::fabs(microseconds) < 1000) return formatNumber(microseconds) + " µs";
  return formatNumber(microseconds / 1000) + " ms";
}

std::string countOf(long long count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string formatMicrosecondsSpread(const Spread& spread) {
  return formatMicroseconds(spread.median) + " (" + formatMicroseconds(spread.lower) + "–" +
         formatMicroseconds(spread.upper) + ")";
}

std::string formatNumberSpread(const Spread& spread) {
  return formatNumber(spread.median) + " (" + formatNumber(spread.lower) + "–" + formatNumber(spread.upper) + ")";
}

Verdict atMost(double figure, double limit) { return figure <= limit ? Verdict::Met : Verdict::Missed; }

std::string rowLine(const Row& row) {
  return "ROW\t" + sanitized(row.measurement) + '\t' + sanitized(row.module) + '\t' + sanitized(row.floor) + '\t' +
         sanitized(row.ratio) + '\t' + sanitized(row.goal) + '\t' + verdictText(row.verdict);
}

Row sideBySideRow(const std::string& measurement, const std::vector<double>& moduleMicroseconds,
                  const std::vector<double>& floorMicroseconds, double ratioLimit) {
  const Spread ratio = spreadOf(ratiosOf(moduleMicroseconds, floorMicroseconds));
  Row row;
  row.measurement = measurement;
  row.module = formatMicrosecondsSpread(spreadOf(moduleMicroseconds));
  row.floor = formatMicrosecondsSpread(spreadOf(floorMicroseconds));
  row.ratio = formatNumberSpread(ratio);
  if (ratioLimit > 0) {
    row.goal = "ratio ≤ " + formatNumber(ratioLimit);
    row.verdict = atMost(ratio.median, ratioLimit);
  }
  return row;
}

Row failedRow(const std::string& measurement, const std::string& why) {
  Row row;
  row.measurement = measurement;
  row.module = why;
  row.verdict = Verdict::Failed;
  return row;
}

}  // namespace bench
