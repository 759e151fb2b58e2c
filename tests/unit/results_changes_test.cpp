// SPDX-License-Identifier: MIT
// Steps in a history: Student's t against printed tables, the noise and one
// step worked by hand, then made-up histories whose steps are known.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "results/changes.h"
#include "results/history.h"
#include "tests/support/made_up_history.h"

namespace {

std::vector<SeriesPoint> Levels(const std::vector<std::vector<double>>& sweeps) {
  std::vector<SeriesPoint> points;
  for (const std::vector<double>& times : sweeps) {
    points.push_back(LevelOf(times, 1));
  }
  return points;
}

std::vector<FoundChange> Found(const HistoryShape& shape) {
  return FindChanges(Levels(MadeUpTimes(shape)), ChangeAlpha);
}

}  // namespace

TEST(StudentT, TwoSidedPValuesMatchPrintedTables) {
  struct Case {
    double T, Degrees, P;
  };
  // Critical values of the usual tables (two-sided 5 % and 1 %).
  const Case cases[] = {{12.706, 1, 0.05}, {4.303, 2, 0.05}, {3.182, 3, 0.05}, {2.571, 5, 0.05},
                        {2.228, 10, 0.05}, {2.042, 30, 0.05}, {63.657, 1, 0.01}, {4.032, 5, 0.01},
                        {2.750, 30, 0.01}, {0, 7, 1}};
  for (const Case& c : cases) {
    EXPECT_NEAR(StudentP(c.T, c.Degrees), c.P, c.P * 0.002 + 1e-12) << "t=" << c.T << " df=" << c.Degrees;
    if (c.T > 0) {
      EXPECT_NEAR(StudentCritical(c.P, c.Degrees), c.T, 0.002) << "df=" << c.Degrees;
    }
  }
  // Two degrees of freedom in closed form: 1 - t / sqrt(t^2 + 2).
  EXPECT_NEAR(StudentP(1.5, 2), 1 - 1.5 / std::sqrt(1.5 * 1.5 + 2), 1e-12);
}

TEST(SeriesNoise, HalvesNeighboursAndTheTimerStep) {
  auto point = [](double median, std::optional<double> halves) {
    SeriesPoint p;
    p.MedianMs = median;
    p.HalvesLogShift = halves;
    return p;
  };
  // Halves 0.02, -0.02, 0.04, 0: sum of squares 0.0024, over 4 x 4 halves.
  const SeriesNoise halves = NoiseOf({point(100, 0.02), point(100, -0.02), point(100, 0.04), point(100, 0.0)});
  EXPECT_NEAR(halves.LogSpread, std::sqrt(0.0024 / 16), 1e-12);
  EXPECT_EQ(halves.Degrees, 4);
  // No halves; successive log steps ln 1.02 three times and 0 once: median
  // |step| ln 1.02, spread 1.4826 ln 1.02 / sqrt 2, over 4 steps.
  const SeriesNoise neighbours =
      NoiseOf({point(100, {}), point(102, {}), point(100, {}), point(102, {}), point(102, {})});
  EXPECT_NEAR(neighbours.LogSpread, 1.4826 * std::log(1.02) / std::sqrt(2.0), 1e-12);
  EXPECT_EQ(neighbours.Degrees, 1);  // 4 steps x 0.37, whole
  // All alike: three quarters of a 1 ms step of a 100 ms level.
  EXPECT_NEAR(NoiseOf({point(100, 0.0), point(100, 0.0), point(100, 0.0)}).LogSpread, 0.0075, 1e-12);
}

TEST(FindChanges, OneStepWorkedByHand) {
  std::vector<SeriesPoint> points;
  for (const double median : {100, 100, 100, 100, 110, 110, 110, 110}) {
    SeriesPoint point;
    point.MedianMs = median;
    point.HalvesLogShift = 0.02;
    points.push_back(point);
  }
  // Noise from the halves: sqrt(8 x 0.0004 / 32) = 0.01 with 8 degrees of
  // freedom (above the floor, 0.75 x 1/105). The means differ most at 4,
  // where all 16 differences are ln 1.1; error 0.01 sqrt(pi/3 (1/4 + 1/4)),
  // t = ln 1.1 / error, p = 5 places x P(|T8| > t).
  const std::vector<FoundChange> found = FindChanges(points, ChangeAlpha);
  ASSERT_EQ(found.size(), 1u);
  const double error = 0.01 * std::sqrt(std::acos(-1.0) / 6);
  EXPECT_EQ(found[0].At, 4u);
  EXPECT_NEAR(found[0].ChangePercent, 10, 1e-9);
  EXPECT_NEAR(found[0].BeforeMs, 100, 1e-9);
  EXPECT_NEAR(found[0].AfterMs, 110, 1e-9);
  EXPECT_NEAR(found[0].LowPercent, std::expm1(std::log(1.1) - 2.306004 * error) * 100, 1e-3);
  EXPECT_NEAR(found[0].HighPercent, std::expm1(std::log(1.1) + 2.306004 * error) * 100, 1e-3);
  EXPECT_NEAR(found[0].P, 5 * StudentP(std::log(1.1) / error, 8), 1e-18);
}

TEST(FindChanges, TooShortOrTooFewSweepsSayNothing) {
  HistoryShape shape;
  shape.Steps = {{10, 1.5}};
  shape.LevelMs = 6;  // under 10 ticks: one tick is 17 %
  EXPECT_TRUE(Found(shape).empty());
  shape.LevelMs = 200;
  shape.Sweeps = 3;  // fewer than two sweeps a side
  EXPECT_TRUE(Found(shape).empty());
}

// The known steps of made-up histories: each found at its sweep (within
// one) with its sign, for many seeds; its 95 % interval holds the true size
// in at least 90 % of them.
TEST(FindChanges, KnownStepsAreFoundWhereTheyAre) {
  struct Case {
    const char* Name;
    std::vector<std::pair<size_t, double>> Steps;
    size_t Sweeps;
  };
  const Case cases[] = {
      {"8 % slower at sweep 12 of 20", {{12, 1.08}}, 20},
      {"5 % faster at sweep 10 of 20", {{10, 0.95}}, 20},
      {"two steps: 8 % slower at 8, 6 % faster at 16 of 24", {{8, 1.08}, {16, 0.94}}, 24},
      {"8 % slower in the last two sweeps of 12", {{10, 1.08}}, 12},
      {"10 % slower after the first two sweeps of 12", {{2, 1.10}}, 12},
  };
  const uint64_t seeds = 40;
  for (const Case& c : cases) {
    size_t covered = 0;
    for (uint64_t seed = 1; seed <= seeds; ++seed) {
      HistoryShape shape;
      shape.Sweeps = c.Sweeps;
      shape.Steps = c.Steps;
      shape.Seed = seed;
      const std::vector<FoundChange> found = Found(shape);
      ASSERT_EQ(found.size(), c.Steps.size()) << c.Name << ", seed " << seed;
      for (size_t index = 0; index < found.size(); ++index) {
        const auto [at, factor] = c.Steps[index];
        const double percent = (factor - 1) * 100;
        EXPECT_LE(found[index].At, at + 1) << c.Name << ", seed " << seed;
        EXPECT_GE(found[index].At + 1, at) << c.Name << ", seed " << seed;
        EXPECT_EQ(found[index].ChangePercent > 0, percent > 0) << c.Name << ", seed " << seed;
        EXPECT_LT(found[index].P, ChangeAlpha);
        covered += found[index].LowPercent <= percent && percent <= found[index].HighPercent ? 1u : 0u;
      }
    }
    EXPECT_GE(covered * 10, seeds * c.Steps.size() * 9) << c.Name;
  }
}

// Steady machines, and machines whose sweeps differ by the noise between
// sweeps alone (a spell per half-sweep of 1 %, 3 % and 5 %): nothing in at
// least 95 % of the histories.
TEST(FindChanges, SteadyAndNoisyMachinesKeepQuiet) {
  for (const double spell : {0.0, 0.01, 0.03, 0.05}) {
    size_t reported = 0;
    const size_t histories = 300;
    for (uint64_t seed = 1; seed <= histories; ++seed) {
      HistoryShape shape;
      shape.Sweeps = 30;
      shape.SpellSpread = spell;
      shape.Seed = 1000 + seed;
      reported += Found(shape).empty() ? 0u : 1u;
    }
    EXPECT_LE(reported, histories / 20) << "spell spread " << spell;
  }
}

TEST(UtcSeconds, ReadsOnlyTheSweepsOwnDates) {
  EXPECT_EQ(UtcSeconds("1970-01-01T00:00:00Z"), 0);
  EXPECT_EQ(UtcSeconds("2000-03-01T00:00:01Z"), 951868801);
  EXPECT_EQ(UtcSeconds("2024-02-29T12:00:00Z"), 1709208000);
  for (const char* bad : {"2023-02-29T12:00:00Z", "2026-13-01T00:00:00Z", "2026-01-01 00:00:00Z",
                          "2026-01-01T00:00:00", "2026-01-01T24:00:00Z", "yesterday", "", "2026-01-01T00:00:00Z "}) {
    EXPECT_FALSE(UtcSeconds(bad)) << bad;
  }
  EXPECT_EQ(WeeklyDate(0), "2026-01-05T03:00:00Z");
  EXPECT_EQ(WeeklyDate(8), "2026-03-02T03:00:00Z");
}
