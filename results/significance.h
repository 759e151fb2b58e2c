// SPDX-License-Identifier: MIT
// Whether two machines' times differ by more than noise: the Mann-Whitney
// rank test, exact given the ties that whole-millisecond times always have,
// and the distribution-free interval of a median. Both are counting, and
// neither assumes a shape for the times.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// Up to this many runs on each side the p-value comes from the exact
// permutation distribution; above it, from the normal approximation.
inline constexpr size_t ExactRankTestLimit = 25;

// The two-sided p-value of the Mann-Whitney U test of `x` against `y`:
// min(1, 2 x the smaller tail of the rank sum of `x`), over every way of
// splitting the pooled values into groups of these sizes, tied values
// taking their mean rank. 1 when either side is empty.
double MannWhitneyP(const std::vector<double>& x, const std::vector<double>& y);

// The two-sided p-value of the Wilcoxon signed-rank test that paired
// `differences` centre on 0. A zero difference says neither side is faster,
// so zeros are dropped before ranking (Wilcoxon's own rule) and the test
// runs on the rest; tied absolute values share their mean rank. Exact, over
// every assignment of signs to the ranks as they are, up to
// ExactRankTestLimit non-zero differences; above that the normal
// approximation with the tie correction. 1 when no difference is left.
double SignedRankP(const std::vector<double>& differences);

// A trend of `values` against their order (a drift over a sweep): Kendall's
// tau-b, and the two-sided p-value of no trend from the normal
// approximation of S = the concordant minus the discordant pairs, its
// variance lowered for tied values, with a continuity correction of 1.
// Tau 0 and p 1 for fewer than 3 values or all of them equal.
struct Trend {
  double Tau = 0;
  double P = 1;
};
Trend KendallTrend(const std::vector<double>& values);

// The rank tests' null distributions, counted: for each sum s from 0 to the
// sum of `ranks`, the ways of choosing `k` of the ranks that add up to s
// (a rank sum), and the ways of signing the ranks whose positive ones add
// up to s (a signed-rank sum). Exact for small samples only: the work grows
// with the sum of the ranks.
std::vector<double> SubsetSumCounts(const std::vector<uint64_t>& ranks, size_t k);
std::vector<double> SignSumCounts(const std::vector<uint64_t>& ranks);

// The smallest two-sided p-value that samples of these sizes can give:
// 2 / C(n1 + n2, n1), when every value of one lies below every value of the other.
double SmallestP(size_t n1, size_t n2);
// The fewest runs a side at which the test can give p < alpha.
size_t RunsNeededPerSide(double alpha);

// The order statistics [x(k), x(n-k+1)] (1-based, of the sorted values)
// that cover the median with at least 95 % probability, whatever the
// distribution: the largest such k. None for fewer than 6 values.
std::optional<size_t> MedianIntervalRank(size_t n);
struct Interval {
  double Low = 0;
  double High = 0;
};
std::optional<Interval> MedianInterval(std::vector<double> values);
