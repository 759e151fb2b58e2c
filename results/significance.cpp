// SPDX-License-Identifier: MIT
// The rank test counts subsets: the exact distribution of one group's rank
// sum is built one pooled value at a time, ranks doubled so that mean ranks
// of ties stay whole numbers.
#include "results/significance.h"

#include <algorithm>
#include <cmath>

namespace {

struct RankedValue {
  double Value;
  bool FromX;
};

// Twice the mean rank of each value, in the order of `pooled` once sorted.
std::vector<uint64_t> DoubledRanks(std::vector<RankedValue>& pooled) {
  std::sort(pooled.begin(), pooled.end(), [](const RankedValue& a, const RankedValue& b) { return a.Value < b.Value; });
  std::vector<uint64_t> ranks(pooled.size());
  for (size_t first = 0; first < pooled.size();) {
    size_t last = first;
    while (last + 1 < pooled.size() && pooled[last + 1].Value == pooled[first].Value) {
      ++last;
    }
    // Positions first+1 .. last+1 share the rank (first + last + 2) / 2.
    for (size_t index = first; index <= last; ++index) {
      ranks[index] = first + last + 2;
    }
    first = last + 1;
  }
  return ranks;
}

// Both tails of `observed` under the null `counts` (ways by value):
// P(S <= observed) and P(S >= observed).
std::pair<double, double> Tails(const std::vector<double>& counts, uint64_t observed) {
  double below = 0;
  double above = 0;
  double all = 0;
  for (size_t sum = 0; sum < counts.size(); ++sum) {
    all += counts[sum];
    below += sum <= observed ? counts[sum] : 0;
    above += sum >= observed ? counts[sum] : 0;
  }
  return {below / all, above / all};
}

// The sum of t^3 - t over the groups of t tied values, whose ranks, in
// sorted order, are equal.
double TieCubes(const std::vector<uint64_t>& ranks) {
  double ties = 0;
  for (size_t first = 0; first < ranks.size();) {
    size_t last = first;
    while (last + 1 < ranks.size() && ranks[last + 1] == ranks[first]) {
      ++last;
    }
    const double t = static_cast<double>(last - first + 1);
    ties += t * t * t - t;
    first = last + 1;
  }
  return ties;
}

// The normal approximation of U with the variance lowered for ties and a
// continuity correction of one half.
double NormalP(const std::vector<uint64_t>& ranks, size_t n1, size_t n2,
               uint64_t observed) {
  const double n = static_cast<double>(n1 + n2);
  const double ties = TieCubes(ranks);
  const double a = static_cast<double>(n1);
  const double b = static_cast<double>(n2);
  const double u = static_cast<double>(observed) / 2 - a * (a + 1) / 2;
  const double variance = a * b / 12 * ((n + 1) - ties / (n * (n - 1)));
  if (variance <= 0) {
    return 1;
  }
  const double z = std::max(0.0, std::fabs(u - a * b / 2) - 0.5) / std::sqrt(variance);
  return std::min(1.0, std::erfc(z / std::sqrt(2.0)));
}

// C(n, k), exact while it stays below 2^53; infinite where it is too large.
double Choose(size_t n, size_t k) {
  double ways = 1;
  for (size_t i = 1; i <= k; ++i) {
    ways = ways * static_cast<double>(n - k + i) / static_cast<double>(i);
  }
  return ways;
}

// The logarithm of C(n, k), which stays finite where C(n, k) itself would not.
double LogChoose(size_t n, size_t k) {
  return std::lgamma(static_cast<double>(n) + 1) - std::lgamma(static_cast<double>(k) + 1) -
         std::lgamma(static_cast<double>(n - k) + 1);
}

// Twice the mean rank of each absolute value, in the order of `magnitudes`
// once sorted.
std::vector<uint64_t> DoubledMagnitudeRanks(std::vector<double>& magnitudes) {
  std::vector<RankedValue> pooled;
  pooled.reserve(magnitudes.size());
  for (const double value : magnitudes) {
    pooled.push_back({value, true});
  }
  std::vector<uint64_t> ranks = DoubledRanks(pooled);
  for (size_t index = 0; index < pooled.size(); ++index) {
    magnitudes[index] = pooled[index].Value;
  }
  return ranks;
}

// The normal approximation of the positive rank sum, its variance lowered
// for ties, with a continuity correction of one half.
double SignedNormalP(const std::vector<uint64_t>& ranks, uint64_t observed) {
  const double n = static_cast<double>(ranks.size());
  const double ties = TieCubes(ranks);
  const double variance = n * (n + 1) * (2 * n + 1) / 24 - ties / 48;
  if (variance <= 0) {
    return 1;
  }
  const double t = static_cast<double>(observed) / 2;
  const double z = std::max(0.0, std::fabs(t - n * (n + 1) / 4) - 0.5) / std::sqrt(variance);
  return std::min(1.0, std::erfc(z / std::sqrt(2.0)));
}

}  // namespace

// Exact counts are asked for small samples only, so every sum fits a size_t.
static size_t SumOf(const std::vector<uint64_t>& ranks) {
  size_t sum = 0;
  for (const uint64_t rank : ranks) {
    sum += static_cast<size_t>(rank);
  }
  return sum;
}

std::vector<double> SubsetSumCounts(const std::vector<uint64_t>& ranks, size_t k) {
  const size_t largest = SumOf(ranks);
  // ways[j][s]: subsets of j of the ranks seen so far that add up to s.
  std::vector<std::vector<double>> ways(k + 1, std::vector<double>(largest + 1, 0.0));
  ways[0][0] = 1;
  size_t seen = 0;
  for (const uint64_t wideRank : ranks) {
    const auto rank = static_cast<size_t>(wideRank);
    ++seen;
    for (size_t j = std::min(seen, k); j >= 1; --j) {
      for (size_t sum = largest; sum >= rank; --sum) {
        ways[j][sum] += ways[j - 1][sum - rank];
      }
    }
  }
  return ways[k];
}

std::vector<double> SignSumCounts(const std::vector<uint64_t>& ranks) {
  const size_t largest = SumOf(ranks);
  // ways[s]: sign assignments of the ranks seen so far whose positive ranks add up to s.
  std::vector<double> ways(largest + 1, 0.0);
  ways[0] = 1;
  for (const uint64_t wideRank : ranks) {
    const auto rank = static_cast<size_t>(wideRank);
    for (size_t sum = largest; sum >= rank; --sum) {
      ways[sum] += ways[sum - rank];
    }
  }
  return ways;
}

double SignedRankP(const std::vector<double>& differences) {
  std::vector<double> magnitudes;
  std::vector<double> positives;
  for (const double difference : differences) {
    if (difference != 0) {
      magnitudes.push_back(std::fabs(difference));
    }
    if (difference > 0) {
      positives.push_back(difference);
    }
  }
  if (magnitudes.empty()) {
    return 1;
  }
  const std::vector<uint64_t> ranks = DoubledMagnitudeRanks(magnitudes);  // sorts `magnitudes` alike
  uint64_t observed = 0;
  for (const double positive : positives) {
    // Every copy of a magnitude has the same rank, so the first one found serves.
    const auto at = std::lower_bound(magnitudes.begin(), magnitudes.end(), positive) - magnitudes.begin();
    observed += ranks[static_cast<size_t>(at)];
  }
  if (ranks.size() > ExactRankTestLimit) {
    return SignedNormalP(ranks, observed);
  }
  const auto [below, above] = Tails(SignSumCounts(ranks), observed);
  return std::min(1.0, 2 * std::min(below, above));
}

Trend KendallTrend(const std::vector<double>& values) {
  const size_t count = values.size();
  double s = 0;
  for (size_t i = 0; i < count; ++i) {
    for (size_t j = i + 1; j < count; ++j) {
      s += values[j] > values[i] ? 1 : values[j] < values[i] ? -1 : 0;
    }
  }
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  double tiedPairs = 0;     // the sum of t(t-1)/2 over groups of equal values
  double tieVariance = 0;   // and of t(t-1)(2t+5)
  for (size_t first = 0; first < count;) {
    size_t last = first;
    while (last + 1 < count && sorted[last + 1] == sorted[first]) {
      ++last;
    }
    const double t = static_cast<double>(last - first + 1);
    tiedPairs += t * (t - 1) / 2;
    tieVariance += t * (t - 1) * (2 * t + 5);
    first = last + 1;
  }
  const double n = static_cast<double>(count);
  const double pairs = n * (n - 1) / 2;
  const double variance = (n * (n - 1) * (2 * n + 5) - tieVariance) / 18;
  if (count < 3 || variance <= 0 || pairs <= tiedPairs) {
    return {};
  }
  const double z = std::max(0.0, std::fabs(s) - 1) / std::sqrt(variance);
  return {s / std::sqrt(pairs * (pairs - tiedPairs)), std::min(1.0, std::erfc(z / std::sqrt(2.0)))};
}

double MannWhitneyP(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.empty() || y.empty()) {
    return 1;
  }
  std::vector<RankedValue> pooled;
  pooled.reserve(x.size() + y.size());
  for (const double value : x) {
    pooled.push_back({value, true});
  }
  for (const double value : y) {
    pooled.push_back({value, false});
  }
  const std::vector<uint64_t> ranks = DoubledRanks(pooled);
  uint64_t observed = 0;
  for (size_t index = 0; index < pooled.size(); ++index) {
    observed += pooled[index].FromX ? ranks[index] : 0;
  }
  if (x.size() > ExactRankTestLimit || y.size() > ExactRankTestLimit) {
    return NormalP(ranks, x.size(), y.size(), observed);
  }
  const auto [below, above] = Tails(SubsetSumCounts(ranks, x.size()), observed);
  return std::min(1.0, 2 * std::min(below, above));
}

double SmallestP(size_t n1, size_t n2) {
  if (n1 == 0 || n2 == 0) {
    return 1;
  }
  return std::min(1.0, 2 / Choose(n1 + n2, std::min(n1, n2)));
}

size_t RunsNeededPerSide(double alpha) {
  size_t runs = 1;
  while (SmallestP(runs, runs) >= alpha && runs < 1000) {
    ++runs;
  }
  return runs;
}

std::optional<size_t> MedianIntervalRank(size_t n) {
  // Coverage of [x(k), x(n-k+1)] is P(k <= B <= n-k) for B ~ Binomial(n, 1/2),
  // which is 1 - 2 P(B <= k-1); it falls as k grows.
  std::optional<size_t> best;
  double lowerTail = 0;  // P(B <= k-1)
  for (size_t k = 1; 2 * k <= n + 1; ++k) {
    lowerTail += std::exp(LogChoose(n, k - 1) - static_cast<double>(n) * std::log(2.0));
    if (1 - 2 * lowerTail < 0.95) {
      break;
    }
    best = k;
  }
  return best;
}

std::optional<Interval> MedianInterval(std::vector<double> values) {
  const std::optional<size_t> k = MedianIntervalRank(values.size());
  if (!k) {
    return std::nullopt;
  }
  std::sort(values.begin(), values.end());
  return Interval{values[*k - 1], values[values.size() - *k]};
}
