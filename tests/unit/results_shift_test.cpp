// SPDX-License-Identifier: MIT
// The Hodges-Lehmann estimates and intervals against hand-counted order
// statistics, and the trend test against values worked by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "results/shift.h"
#include "results/significance.h"

namespace {

void ExpectShift(const std::optional<ShiftEstimate>& shift, double estimate, bool hasInterval, double low,
                 double high) {
  ASSERT_TRUE(shift);
  EXPECT_DOUBLE_EQ(shift->Estimate, estimate);
  ASSERT_EQ(shift->Interval95.has_value(), hasInterval);
  if (hasInterval) {
    EXPECT_DOUBLE_EQ(shift->Interval95->Low, low);
    EXPECT_DOUBLE_EQ(shift->Interval95->High, high);
  }
}

}  // namespace

TEST(HodgesLehmann, PairedShiftsAndIntervalsWorkedByHand) {
  struct Case {
    std::vector<double> Differences;
    double Estimate;
    bool HasInterval;
    double Low, High;
  };
  const Case cases[] = {
      // 1..6: 21 Walsh averages symmetric about 3.5; with 6 pairs only
      // P(T+ <= 0) = 1/64 stays under 2.5 %, so k = 1: [min, max].
      {{1, 2, 3, 4, 5, 6}, 3.5, true, 1, 6},
      // 1..10: P(T+ <= 8) = 25/1024 <= 2.5 % < P(T+ <= 9), so k = 9 of
      // 55 averages. Sorted they begin 1, 1.5, 2, 2, 2.5, 2.5, 3, 3, 3:
      // W(9) = 3 and, by symmetry about 5.5, W(47) = 8.
      {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 5.5, true, 3, 8},
      // 5 pairs: P(T+ <= 0) = 1/32 > 2.5 %, no interval; the averages of
      // {0, 0, 0, 0, 10} have median 0.
      {{0, 0, 0, 0, 10}, 0, false, 0, 0},
  };
  for (const Case& c : cases) {
    ExpectShift(PairedShift(c.Differences), c.Estimate, c.HasInterval, c.Low, c.High);
  }
  EXPECT_FALSE(PairedShift({}));
}

TEST(HodgesLehmann, UnpairedShiftsAndIntervalsWorkedByHand) {
  struct Case {
    std::vector<double> X, Y;
    double Estimate;
    bool HasInterval;
    double Low, High;
  };
  const Case cases[] = {
      // The 25 differences of 6..10 against 1..5 run 1..9 with counts
      // 1 2 3 4 5 4 3 2 1: the 13th is 5. For 5 a side P(U <= 2) = 4/252
      // <= 2.5 % < P(U <= 3) = 7/252, so k = 3: D(3) = 2, D(23) = 8.
      {{6, 7, 8, 9, 10}, {1, 2, 3, 4, 5}, 5, true, 2, 8},
      // 4 a side: only P(U <= 0) = 1/70 qualifies, k = 1: the extremes of
      // the 16 differences, 0.5 - 4 = -3.5 and 4 - 0.25 = 3.75.
      {{0.5, 1, 2, 4}, {0.25, 1, 3, 4}, 0, true, -3.5, 3.75},
      // 3 a side: 1/20 > 2.5 %, no interval; differences of {1,2,3} and
      // {1,1,1} are 0,0,0,1,1,1,2,2,2: median 1.
      {{1, 2, 3}, {1, 1, 1}, 1, false, 0, 0},
  };
  for (const Case& c : cases) {
    ExpectShift(UnpairedShift(c.X, c.Y), c.Estimate, c.HasInterval, c.Low, c.High);
  }
  EXPECT_FALSE(UnpairedShift({}, {1}));
}

TEST(KendallTrend, TauAndPWorkedByHand) {
  std::vector<double> rising;
  for (int value = 1; value <= 10; ++value) {
    rising.push_back(value);
  }
  // S = 45 of 45 pairs; variance 10*9*25/18 = 125; z = 44 / sqrt(125).
  const Trend up = KendallTrend(rising);
  EXPECT_DOUBLE_EQ(up.Tau, 1);
  EXPECT_NEAR(up.P, 8.303070332644999e-05, 1e-15);
  std::reverse(rising.begin(), rising.end());
  EXPECT_DOUBLE_EQ(KendallTrend(rising).Tau, -1);
  // {1, 1, 2, 2}: S = 4, 6 pairs of which 2 tied: tau-b = 4 / sqrt(6 x 4);
  // variance (4*3*13 - 2*2*1*9) / 18 = 20/3, z = 3 / sqrt(20/3).
  const Trend tied = KendallTrend({1, 1, 2, 2});
  EXPECT_NEAR(tied.Tau, 0.8164965809277261, 1e-15);
  EXPECT_NEAR(tied.P, 0.24527811680677286, 1e-15);
  EXPECT_DOUBLE_EQ(KendallTrend({3, 3, 3, 3}).P, 1);
  EXPECT_DOUBLE_EQ(KendallTrend({1, 2}).P, 1);
}

namespace {

// The exact k, from null counts built here: the largest k with
// P(S <= k-1) <= 2.5 % over `counts` by value of S.
size_t ExactRank(const std::vector<double>& counts) {
  double all = 0;
  for (const double count : counts) {
    all += count;
  }
  size_t k = 0;
  for (double tail = counts[0]; tail / all <= 0.025; tail += counts[++k]) {
  }
  return k;
}

// The 1-based place of `value` among `sorted`.
size_t PlaceOf(const std::vector<double>& sorted, double value) {
  return static_cast<size_t>(std::find(sorted.begin(), sorted.end(), value) - sorted.begin()) + 1;
}

}  // namespace

// Above 25 values the interval's rank comes from the normal approximation;
// it stays within one of the exact rank, counted here.
TEST(HodgesLehmann, LargeSamplesApproximateTheExactRank) {
  for (const size_t n : {26u, 30u, 40u}) {
    // Signed ranks: the counts of T+ by value, one rank at a time.
    std::vector<double> signs(n * (n + 1) / 2 + 1, 0.0);
    signs[0] = 1;
    for (size_t rank = 1; rank <= n; ++rank) {
      for (size_t sum = signs.size() - 1; sum >= rank; --sum) {
        signs[sum] += signs[sum - rank];
      }
    }
    // Differences 4^i: every Walsh average is distinct, so the interval's
    // end names its rank.
    std::vector<double> differences;
    for (size_t i = 0; i < n; ++i) {
      differences.push_back(std::ldexp(1.0, static_cast<int>(2 * i)));
    }
    std::vector<double> averages;
    for (size_t i = 0; i < n; ++i) {
      for (size_t j = i; j < n; ++j) {
        averages.push_back((differences[i] + differences[j]) / 2);
      }
    }
    std::sort(averages.begin(), averages.end());
    const auto paired = PairedShift(differences);
    ASSERT_TRUE(paired && paired->Interval95);
    EXPECT_NEAR(static_cast<double>(PlaceOf(averages, paired->Interval95->Low)),
                static_cast<double>(ExactRank(signs)), 1)
        << n;

    // Rank sums: U's counts for n against n, by the last value placed.
    std::vector<std::vector<std::vector<double>>> ways(
        n + 1, std::vector<std::vector<double>>(n + 1, std::vector<double>(n * n + 1, 0.0)));
    for (size_t i = 0; i <= n; ++i) {
      for (size_t j = 0; j <= n; ++j) {
        for (size_t u = 0; u <= i * j; ++u) {
          ways[i][j][u] = i == 0 || j == 0 ? (u == 0 ? 1 : 0) : (u >= j ? ways[i - 1][j][u - j] : 0) + ways[i][j - 1][u];
        }
      }
    }
    std::vector<double> x;
    std::vector<double> y;
    for (size_t i = 0; i < n; ++i) {
      x.push_back(1000.0 * static_cast<double>(i));
      y.push_back(static_cast<double>(i));
    }
    std::vector<double> gaps;
    for (const double a : x) {
      for (const double b : y) {
        gaps.push_back(a - b);
      }
    }
    std::sort(gaps.begin(), gaps.end());
    const auto unpaired = UnpairedShift(x, y);
    ASSERT_TRUE(unpaired && unpaired->Interval95);
    EXPECT_NEAR(static_cast<double>(PlaceOf(gaps, unpaired->Interval95->Low)),
                static_cast<double>(ExactRank(ways[n][n])), 1)
        << n;
  }
}
