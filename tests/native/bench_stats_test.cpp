// The benchmark's statistics and row text: the figures the performance table is made of.
#include "bench/bench_stats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using bench::Spread;

TEST(BenchStats, SpreadIsTheMedianAndQuartilesWhateverTheOrder) {
  struct Case {
    std::vector<double> samples;
    double lower, median, upper;
  };
  const Case cases[] = {
      {{7}, 7, 7, 7},
      {{4, 1, 3, 2}, 1.75, 2.5, 3.25},
      {{5, 1, 4, 2, 3}, 2, 3, 4},
      {{10, 10, 10, 1000}, 10, 10, 257.5},  // one neighbour's burst moves the upper quartile only
  };
  for (const Case& c : cases) {
    const Spread spread = bench::spreadOf(c.samples);
    EXPECT_DOUBLE_EQ(spread.lower, c.lower) << ::testing::PrintToString(c.samples);
    EXPECT_DOUBLE_EQ(spread.median, c.median) << ::testing::PrintToString(c.samples);
    EXPECT_DOUBLE_EQ(spread.upper, c.upper) << ::testing::PrintToString(c.samples);
    EXPECT_EQ(spread.count, c.samples.size());
  }
  EXPECT_EQ(bench::spreadOf({}).count, 0u);
  EXPECT_EQ(bench::spreadOf({}).median, 0);
}

TEST(BenchStats, PercentileIsTheNearestRank) {
  std::vector<double> frames;
  for (int i = 1000; i >= 1; --i) frames.push_back(i);
  EXPECT_EQ(bench::percentileOf(frames, 0.99), 990);
  EXPECT_EQ(bench::percentileOf(frames, 0.5), 500);
  EXPECT_EQ(bench::percentileOf({3, 1, 2}, 0.99), 3) << "few samples: the largest";
  EXPECT_EQ(bench::percentileOf({3, 1, 2}, 0), 1);
  EXPECT_EQ(bench::percentileOf({}, 0.99), 0);
}

TEST(BenchStats, RatiosPairFiguresTakenSideBySide) {
  EXPECT_EQ(bench::ratiosOf({2, 9, 6}, {1, 0, 4}), (std::vector<double>{2, 1.5})) << "a zero floor gives no ratio";
  EXPECT_EQ(bench::ratiosOf({2, 3}, {1}), (std::vector<double>{2})) << "only complete pairs";
  EXPECT_DOUBLE_EQ(bench::meanOf({1, 2, 6}), 3);
  EXPECT_EQ(bench::meanOf({}), 0);
}

TEST(BenchStats, FiguresAreWrittenInTheUnitThatFits) {
  const std::pair<double, std::string> durations[] = {
      {0.5, "500 ns"}, {0.0421, "42.1 ns"}, {1, "1.00 µs"},  {12.34, "12.3 µs"},
      {999, "999 µs"}, {1240, "1.24 ms"},   {56789, "56.8 ms"},
  };
  for (const auto& [microseconds, text] : durations) EXPECT_EQ(bench::formatMicroseconds(microseconds), text);
  EXPECT_EQ(bench::countOf(1, "turn"), "1 turn");
  EXPECT_EQ(bench::countOf(10, "turn"), "10 turns");
  EXPECT_EQ(bench::formatNumber(0.9812), "0.981");
  EXPECT_EQ(bench::formatNumber(4520.4), "4520");
  EXPECT_EQ(bench::formatMicrosecondsSpread({12.3, 11.9, 12.8, 5}), "12.3 µs (11.9 µs–12.8 µs)");
  EXPECT_EQ(bench::formatNumberSpread({1.04, 1.01, 1.08, 5}), "1.04 (1.01–1.08)");
}

TEST(BenchStats, ARowIsOneLineOfSixTabSeparatedFields) {
  bench::Row row;
  row.measurement = "frame tick\tsteady";
  row.module = "16 µs\r\n";
  row.ratio = "1.01";
  row.goal = "ratio ≤ 1.2";
  row.verdict = bench::atMost(1.01, 1.2);
  EXPECT_EQ(bench::rowLine(row), "ROW\tframe tick steady\t16 µs  \t—\t1.01\tratio ≤ 1.2\tmet");
  row.verdict = bench::atMost(1.21, 1.2);
  EXPECT_EQ(bench::rowLine(row).substr(bench::rowLine(row).rfind('\t')), "\tMISSED");
  EXPECT_EQ(bench::rowLine(bench::failedRow("bridge", "no answer")), "ROW\tbridge\tno answer\t—\t—\t—\tFAILED");
  EXPECT_EQ(bench::rowLine(bench::Row{"counted", "0", "—", "—", "—", bench::Verdict::NotJudged}),
            "ROW\tcounted\t0\t—\t—\t—\t—");
}

}  // namespace
