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
