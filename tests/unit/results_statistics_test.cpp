// SPDX-License-Identifier: MIT
// Order statistics against values read off the sorted samples by hand.
#include <gtest/gtest.h>

#include <vector>

#include "results/statistics.h"

TEST(Percentile, TheNearestRankOfHandSortedSamples) {
  struct Case {
    std::vector<double> Values;
    double Percent;
    double Expected;
  };
  const std::vector<double> ten = {7, 1, 10, 4, 2, 9, 3, 8, 6, 5};  // 1..10 shuffled
  const Case cases[] = {
      {ten, 90, 9},    // ceil(9.0) = the 9th smallest
      {ten, 91, 10},   // ceil(9.1) = the 10th
      {ten, 50, 5},    // the lower middle: no averaging
      {ten, 100, 10},  // the largest
      {ten, 0, 1},     // never below the smallest
      {{3, 1, 2}, 90, 3},
      {{42}, 90, 42},
      {{}, 90, 0},
      {{5, 5, 1, 5}, 25, 1},
      {{5, 5, 1, 5}, 26, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Percentile(c.Values, c.Percent), c.Expected) << c.Values.size() << " values, " << c.Percent << "%";
  }
}
