// The benchmark's arithmetic and wording: medians, spreads and percentiles of repeated figures,
// their text, and the one-line row every benchmark program prints. No Windows header, so the
// Windows benchmark and the Linux client share it and it is tested natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// The middle of repeated figures and their interquartile range: the machine is shared, so a
// single figure says little, and the spread says how much the neighbours moved it.
struct Spread {
  double median = 0;
  double lower = 0;  // first quartile
  double upper = 0;  // third quartile
  size_t count = 0;
};

// Quartiles by linear interpolation between the sorted samples; all zero for no samples.
Spread spreadOf(std::vector<double> samples);

// Nearest rank: the smallest sample with at least the fraction of all samples at or below it
// (the 99th percentile of 1000 frames is the 990th smallest). 0 for no samples.
double percentileOf(std::vector<double> samples, double fraction);

double meanOf(const std::vector<double>& samples);

// Element-wise module / floor of figures taken side by side; pairs with a zero floor are left out.
std::vector<double> ratiosOf(const std::vector<double>& module, const std::vector<double>& floor);

// "850 ns", "12.3 µs", "1.24 ms": three significant digits in the unit that fits.
std::string formatMicroseconds(double microseconds);
// Three significant digits without a unit ("0.981", "12.4", "4520").
std::string formatNumber(double value);

// "1 turn", "10 turns": a count with its noun.
std::string countOf(long long count, const std::string& noun);

// "12.3 µs (11.9–12.8)": the median with its interquartile range.
std::string formatMicrosecondsSpread(const Spread& spread);
std::string formatNumberSpread(const Spread& spread);

enum class Verdict { Met, Missed, NotJudged, Failed };

// One line of the table: what was measured, the module's figure, its floor taken in the same
// run, the ratio, the goal and whether it was met.
struct Row {
  std::string measurement;
  std::string module;
  std::string floor = "—";
  std::string ratio = "—";
  std::string goal = "—";
  Verdict verdict = Verdict::NotJudged;
};

// Met when the figure is at most the limit, Missed otherwise.
Verdict atMost(double figure, double limit);

// "ROW" and the six fields separated by tabs (tabs and line ends inside a field become spaces),
// the form tools/bench.sh gathers from every benchmark program's output.
std::string rowLine(const Row& row);

// A row of durations taken side by side: the module's and the floor's spreads and the spread
// of their pairwise ratios. Without a limit no goal is judged; with one, the goal is the median
// ratio at most that limit.
Row sideBySideRow(const std::string& measurement, const std::vector<double>& moduleMicroseconds,
                  const std::vector<double>& floorMicroseconds, double ratioLimit = 0);

// The row a measurement gives when it could not be taken at all.
Row failedRow(const std::string& measurement, const std::string& why);

}  // namespace bench
