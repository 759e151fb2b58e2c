// SPDX-License-Identifier: MIT
// The interval ranks come from the null distributions without ties: the
// counts of sign assignments by positive rank sum, and of splits by U. The
// estimates are medians of every pairwise average or difference, which for
// the sample sizes of a sweep (tens of runs) are a few thousand values.
#include "results/shift.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "results/statistics.h"

namespace {

// The largest k with 2 P(S <= k-1) <= 5 % for a statistic whose null counts
// by value are `counts` (of `all` equally likely cases), or 0 for none.
size_t IntervalRank(const std::vector<double>& counts) {
  double all = 0;
  for (const double count : counts) {
    all += count;
  }
  size_t k = 0;
  double lowerTail = 0;  // P(S <= k-1) for the next k
  for (const double count : counts) {
    lowerTail += count / all;
    if (2 * lowerTail > 0.05) {
      break;
    }
    ++k;
  }
  return k;
}

// The ranks 1..n, as the rank tests count them with no ties.
std::vector<uint64_t> PlainRanks(size_t n) {
  std::vector<uint64_t> ranks(n);
  std::iota(ranks.begin(), ranks.end(), uint64_t{1});
  return ranks;
}

// Counts of the positive rank sum T+ of ranks 1..n by its value.
std::vector<double> SignedRankCounts(size_t n) {
  return SignSumCounts(PlainRanks(n));
}

// Counts of U (the pairs with x above y) for samples of m and n by its
// value: the rank sum W of the m less its least value, m(m+1)/2.
std::vector<double> RankSumCounts(size_t m, size_t n) {
  std::vector<double> counts = SubsetSumCounts(PlainRanks(m + n), m);
  counts.erase(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(m * (m + 1) / 2));
  return counts;
}

// Above ExactRankTestLimit the counts would take memory and time that grow
// with the cube of the runs, so k comes from the normal approximation of
// the statistic, with a continuity correction: the largest k with
// P(S <= k-1) ~ Phi((k - 1/2 - mean) / sd) <= 2.5 %.
size_t NormalIntervalRank(double mean, double variance) {
  const double k = std::floor(mean - 1.959963984540054 * std::sqrt(variance) + 0.5);
  return k < 1 ? 0 : static_cast<size_t>(k);
}

ShiftEstimate FromSorted(std::vector<double>& values, size_t k) {
  std::sort(values.begin(), values.end());
  ShiftEstimate shift{Median(values), std::nullopt};
  if (k >= 1 && 2 * k <= values.size() + 1) {
    shift.Interval95 = Interval{values[k - 1], values[values.size() - k]};
  }
  return shift;
}

}  // namespace

std::optional<ShiftEstimate> PairedShift(const std::vector<double>& differences) {
  if (differences.empty()) {
    return std::nullopt;
  }
  std::vector<double> averages;
  averages.reserve(differences.size() * (differences.size() + 1) / 2);
  for (size_t i = 0; i < differences.size(); ++i) {
    for (size_t j = i; j < differences.size(); ++j) {
      averages.push_back((differences[i] + differences[j]) / 2);
    }
  }
  const auto n = static_cast<double>(differences.size());
  const size_t k = differences.size() <= ExactRankTestLimit
                       ? IntervalRank(SignedRankCounts(differences.size()))
                       : NormalIntervalRank(n * (n + 1) / 4, n * (n + 1) * (2 * n + 1) / 24);
  return FromSorted(averages, k);
}

std::optional<ShiftEstimate> UnpairedShift(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.empty() || y.empty()) {
    return std::nullopt;
  }
  std::vector<double> differences;
  differences.reserve(x.size() * y.size());
  for (const double a : x) {
    for (const double b : y) {
      differences.push_back(a - b);
    }
  }
  const auto m = static_cast<double>(x.size());
  const auto n = static_cast<double>(y.size());
  const size_t k = x.size() <= ExactRankTestLimit && y.size() <= ExactRankTestLimit
                       ? IntervalRank(RankSumCounts(x.size(), y.size()))
                       : NormalIntervalRank(m * n / 2, m * n * (m + n + 1) / 12);
  return FromSorted(differences, k);
}
