// SPDX-License-Identifier: MIT
// The sweep's statistics: spreads of the phase times, outliers, and one
// summary per limit over its measured runs.
#pragma once

#include <vector>

#include "results/model.h"

// The middle value of `sorted` (ascending), or the mean of the two middle
// ones; of any values, sorting a copy first. Neither takes an empty vector.
double MedianOfSorted(const std::vector<double>& sorted);
double Median(std::vector<double> values);

// Median, mean, sample standard deviation, min and max.
Spread SpreadOf(std::vector<double> values);

// The nearest-rank percentile: the smallest value with at least `percent`
// of the values at or below it (the ceil(percent/100 x n)-th smallest);
// 0 for no values.
double Percentile(std::vector<double> values, double percent);

// Marks each measured valid run whose total lies further from its limit's
// median total than max(3 x 1.4826 x MAD, 2 ms). Times are whole
// milliseconds, so the median absolute deviation is often 0 and the 2 ms
// floor keeps a 1 ms wobble from counting.
void MarkOutliers(std::vector<RunRecord>& runs);

// One summary per limit, in the order the limits first appear, over the
// measured (not warm-up) valid runs.
std::vector<LimitSummary> Summarize(const std::vector<RunRecord>& runs);
