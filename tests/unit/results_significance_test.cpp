// SPDX-License-Identifier: MIT
// The rank tests and the median's interval against values worked out by
// hand and against a brute-force enumeration of every split of the pooled
// values, or every assignment of signs, with mean ranks computed the slow
// way: the number of smaller values plus half of the tied ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "results/significance.h"

namespace {

std::vector<double> SlowMeanRanks(const std::vector<double>& values) {
  std::vector<double> rank(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    double smaller = 0, tied = 0;
    for (const double value : values) {
      smaller += value < values[i] ? 1 : 0;
      tied += value == values[i] ? 1 : 0;
    }
    rank[i] = smaller + (tied + 1) / 2;
  }
  return rank;
}

// The two-sided p-value of `observed`, a sum of some of the ranks, by
// listing every subset of them: of `members` ranks, or of any size (every
// assignment of signs) when `members` is none.
double EnumeratedP(const std::vector<double>& rank, double observed, std::optional<size_t> members) {
  const size_t n = rank.size();
  double below = 0, above = 0, all = 0;
  for (uint32_t subset = 0; subset < (1u << n); ++subset) {
    if (members && static_cast<size_t>(__builtin_popcount(subset)) != *members) {
      continue;
    }
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
      sum += (subset >> i & 1u) != 0 ? rank[i] : 0;
    }
    all += 1;
    below += sum <= observed + 1e-9 ? 1 : 0;
    above += sum >= observed - 1e-9 ? 1 : 0;
  }
  return std::min(1.0, 2 * std::min(below, above) / all);
}

// The rank-sum test's p-value over every split of the pooled values.
double EnumeratedP(const std::vector<double>& x, const std::vector<double>& y) {
  std::vector<double> pooled = x;
  pooled.insert(pooled.end(), y.begin(), y.end());
  const std::vector<double> rank = SlowMeanRanks(pooled);
  double observed = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    observed += rank[i];
  }
  return EnumeratedP(rank, observed, x.size());
}

// The signed-rank test's p-value over every assignment of signs to the
// non-zero differences' mean ranks.
double EnumeratedSignedRankP(const std::vector<double>& differences) {
  std::vector<double> magnitudes;
  std::vector<bool> positive;
  for (const double d : differences) {
    if (d != 0) {
      magnitudes.push_back(std::fabs(d));
      positive.push_back(d > 0);
    }
  }
  const std::vector<double> rank = SlowMeanRanks(magnitudes);
  double observed = 0;
  for (size_t i = 0; i < rank.size(); ++i) {
    observed += positive[i] ? rank[i] : 0;
  }
  return rank.empty() ? 1 : EnumeratedP(rank, observed, std::nullopt);
}

}  // namespace

TEST(RankTest, ExactPValuesByHandAndByEnumeration) {
  struct Case {
    const char* What;
    std::vector<double> X, Y;
    double ByHand;  // negative: enumeration only
  };
  const Case cases[] = {
      {"no ties, fully apart: 2 of the 20 splits are as extreme", {1, 2, 3}, {4, 5, 6}, 0.1},
      {"no ties, reversed", {4, 5, 6}, {1, 2, 3}, 0.1},
      {"unequal sizes: sums 3 and 4 of the 15 pairs from 1..6", {1, 3}, {2, 4, 5, 6}, 4.0 / 15},
      {"two against one: the lowest of three sums", {1, 2}, {3}, 2.0 / 3},
      {"each side constant but different: the ties keep 1 split in 20", {5, 5, 5}, {7, 7, 7}, 0.1},
      {"ties across groups: a lower tail of 10 in 20 splits", {1, 1, 2}, {1, 2, 2}, 1.0},
      {"all values equal", {5, 5, 5}, {5, 5}, 1.0},
      {"one against one", {1}, {2}, 1.0},
      {"whole milliseconds, many ties", {10, 11, 11, 12, 12, 12}, {12, 13, 13, 13, 14, 12}, -1},
      {"ties inside and across, unequal sizes", {1, 2, 2, 3}, {3, 3, 4, 4, 5}, -1},
      {"overlapping", {20, 21, 23, 22, 25, 20}, {21, 24, 26, 22, 27}, -1},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.What);
    const double p = MannWhitneyP(test.X, test.Y);
    EXPECT_NEAR(p, EnumeratedP(test.X, test.Y), 1e-12);
    if (test.ByHand >= 0) {
      EXPECT_NEAR(p, test.ByHand, 1e-12);
    }
  }
  EXPECT_EQ(MannWhitneyP({}, {1, 2}), 1);
}

TEST(RankTest, LargeSamplesUseTheNormalApproximationWithTheTieCorrection) {
  // 30 against 30, fully apart: U = 0, mean 450, variance 30*30*61/12, with
  // a continuity correction of 0.5: z = 449.5 / 67.639, p = erfc(z / sqrt 2).
  std::vector<double> low, high;
  for (int i = 0; i < 30; ++i) {
    low.push_back(i);
    high.push_back(100 + i);
  }
  EXPECT_NEAR(MannWhitneyP(low, high) / 3.019859359162151e-11, 1, 1e-9);
  // 26 against 26 in three tied values: U = 84.5, and the ties lower the
  // variance from 26*26*53/12 to 2520.088.
  std::vector<double> x(13, 10.0), y(13, 11.0);
  x.insert(x.end(), 13, 11.0);
  y.insert(y.end(), 13, 12.0);
  EXPECT_NEAR(MannWhitneyP(x, y) / 4.660370846897449e-07, 1, 1e-9);
  EXPECT_EQ(MannWhitneyP(std::vector<double>(26, 3.0), std::vector<double>(30, 3.0)), 1);
}

TEST(RankTest, TheSmallestPAndTheRunsNeededForIt) {
  EXPECT_DOUBLE_EQ(SmallestP(3, 3), 0.1);  // 2 / C(6, 3)
  EXPECT_DOUBLE_EQ(SmallestP(4, 4), 2.0 / 70);
  EXPECT_DOUBLE_EQ(SmallestP(2, 5), 2.0 / 21);
  EXPECT_EQ(SmallestP(1, 1), 1);
  EXPECT_EQ(SmallestP(0, 4), 1);
  struct Case {
    double Alpha;
    size_t Runs;
  };
  for (const Case test : {Case{0.05, 4}, Case{0.1, 4}, Case{0.2, 3}, Case{0.01, 5}, Case{0.5, 2}}) {
    EXPECT_EQ(RunsNeededPerSide(test.Alpha), test.Runs) << test.Alpha;
  }
}

TEST(MedianInterval, TheLargestRankWithAtLeast95PercentCoverage) {
  // Coverage of [x(k), x(n-k+1)] counted in whole numbers: the splits of n
  // fair coins with k to n-k heads, against 95 % of 2^n.
  auto enumerated = [](size_t n) -> std::optional<size_t> {
    std::vector<uint64_t> choose(n + 1, 1);
    for (size_t i = 1; i <= n; ++i) {
      choose[i] = choose[i - 1] * (n - i + 1) / i;
    }
    std::optional<size_t> best;
    for (size_t k = 1; 2 * k <= n + 1; ++k) {
      uint64_t inside = 0;
      for (size_t i = k; i <= n - k; ++i) {
        inside += choose[i];
      }
      if (static_cast<double>(inside) >= 0.95 * std::pow(2.0, static_cast<double>(n))) {
        best = k;
      }
    }
    return best;
  };
  for (size_t n = 1; n <= 60; ++n) {
    EXPECT_EQ(MedianIntervalRank(n), enumerated(n)) << n;
  }
  // By hand: 1 - 2/32 = 0.9375 for n = 5; 1 - 2/64 for n = 6; 1 - 20/512 for n = 9.
  EXPECT_EQ(MedianIntervalRank(5), std::nullopt);
  EXPECT_EQ(MedianIntervalRank(6), 1u);
  EXPECT_EQ(MedianIntervalRank(9), 2u);
  EXPECT_EQ(MedianIntervalRank(20), 6u);
  EXPECT_TRUE(MedianIntervalRank(100000).has_value());  // no overflow on a huge file

  const auto interval = MedianInterval({9, 1, 8, 2, 7, 3, 6, 4, 5});
  ASSERT_TRUE(interval.has_value());
  EXPECT_EQ(interval->Low, 2);
  EXPECT_EQ(interval->High, 8);
  EXPECT_FALSE(MedianInterval({1, 2, 3, 4, 5}).has_value());
}

TEST(SignedRank, ExactPValuesAgainstEverySignAssignment) {
  const std::vector<std::vector<double>> cases = {
      {1, 2, 3, 4, 5, 6},                               // all one way: 2/64
      {0.1, -0.2, 0.3, 0.4, -0.5, 0.6, 0.7},            // mixed signs, no ties
      {1, 1, -1, 2, 2, 2, -3, 4},                        // tied magnitudes
      {0, 0, 1, -1, 2, 3, 0, 4},                         // zeros among them, dropped
      {-0.02, -0.01, -0.03, -0.02, -0.05, 0.01, -0.04, -0.06, -0.02, -0.03},
      {5, -5, 5, -5},                                    // balanced: p = 1
      {0, 0, 0},                                         // nothing left
      {0.012, 0.031, -0.004, 0.022, 0.018, 0.009, 0.027, -0.011, 0.015, 0.02, 0.024, 0.006},
  };
  for (const std::vector<double>& differences : cases) {
    EXPECT_NEAR(SignedRankP(differences), EnumeratedSignedRankP(differences), 1e-12) << differences.size();
  }
  EXPECT_NEAR(SignedRankP({1, 2, 3, 4, 5, 6}), 2.0 / 64, 1e-15);
}

TEST(SignedRank, ManyPairsUseTheNormalApproximation) {
  std::vector<double> differences;
  for (int d = 1; d <= 30; ++d) {
    differences.push_back(d);
  }
  // T+ = 465 against a mean of 232.5 and a variance of 30*31*61/24:
  // z = 232 / 48.618, p = erfc(z / sqrt 2).
  EXPECT_NEAR(SignedRankP(differences), 1.825371456361214e-06, 1e-12);
}
