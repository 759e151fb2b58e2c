// SPDX-License-Identifier: MIT
// How large a change is, with no shape assumed for the times: the
// Hodges-Lehmann estimates of a shift and their distribution-free 95 %
// intervals, read off the same counting distributions the rank tests use.
// Given log times, a shift is a log ratio.
#pragma once

#include <optional>
#include <vector>

#include "results/significance.h"

struct ShiftEstimate {
  double Estimate = 0;
  std::optional<Interval> Interval95;  // none where too few values give one
};

// Paired differences (one per round): the median of the n(n+1)/2 Walsh
// averages (d_i + d_j) / 2, i <= j, and the interval [W(k), W(M+1-k)] of
// the sorted averages, k the largest with P(T+ <= k-1) <= 2.5 % for the
// signed-rank statistic T+ of n pairs; from 6 pairs on (coverage 96.9 %
// there). Above ExactRankTestLimit pairs k comes from the normal
// approximation of T+. None for no differences.
std::optional<ShiftEstimate> PairedShift(const std::vector<double>& differences);

// Two separate samples: the median of the m x n differences x_i - y_j, and
// the interval [D(k), D(mn+1-k)], k the largest with P(U <= k-1) <= 2.5 %
// for the Mann-Whitney statistic U of samples of these sizes; from 4 values
// a side on (m = n = 4: coverage 97.1 %); above ExactRankTestLimit on a
// side, k from the normal approximation of U. None when a side is empty.
std::optional<ShiftEstimate> UnpairedShift(const std::vector<double>& x, const std::vector<double>& y);
