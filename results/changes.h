// SPDX-License-Identifier: MIT
// When a machine changed: the steps in one series of sweeps (one machine,
// limit and phase, in date order). A sweep's level is the median of its
// runs; a sweep's levels wander by the machine's slow and fast spells, the
// noise between sweeps that each sweep's halves show (see sweep_noise.h), so
// a step is called only where it stands out of that noise. The method is
// binary segmentation: a step is placed where the levels' means differ most
// (each level first held within three spreads of the median), sized by the
// Hodges-Lehmann estimate, and tested against the noise between sweeps with
// Student's t and a Bonferroni bound over the places it could be. No shape
// is assumed for the times within a sweep, and nothing is random, so an
// archive gives the same answer on every run and every machine.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "results/significance.h"

// A series needs this many sweeps on each side of a step: a single sweep
// that stands out met a spell, not a new machine.
inline constexpr size_t LeastSegment = 2;
// A step is called when its p-value is below this, by default. Lower than a
// comparison's 0.05: an archive has many series, and cron reads its verdict.
inline constexpr double ChangeAlpha = 0.01;

// One sweep's level in a series.
struct SeriesPoint {
  double MedianMs = 0;
  std::optional<Interval> MedianIntervalMs;  // none for fewer than 6 runs
  size_t Runs = 0;                           // measured valid runs
  // The log shift of the sweep's second half of runs against its first;
  // none for fewer than 4 runs.
  std::optional<double> HalvesLogShift;
  double ResolutionMs = 1;  // the timer's step
};

// The level of one sweep from its measured valid times, in the order they ran.
SeriesPoint LevelOf(const std::vector<double>& timesInOrder, double resolutionMs);

// The spread of a sweep's level around the machine's own (a log spread) and
// the degrees of freedom of that estimate: what the sweeps' halves show
// (sum h^2 / 4k over k halves), pooled with what neighbouring sweeps show
// where that is more (the median absolute difference of successive levels,
// scaled to a spread: spells longer than a sweep, which halves cannot see),
// and never under three quarters of a timer step.
struct SeriesNoise {
  double LogSpread = 0;
  double Degrees = 0;
};
SeriesNoise NoiseOf(const std::vector<SeriesPoint>& points);

// The two-sided p-value of Student's t with `degrees` (at least 1, whole)
// degrees of freedom, and the t whose two-sided p-value is `p`.
double StudentP(double t, double degrees);
double StudentCritical(double p, double degrees);

struct FoundChange {
  size_t At = 0;          // the first sweep of the new level
  double BeforeMs = 0;    // the median of the levels before and after
  double AfterMs = 0;
  double ChangePercent = 0;
  double LowPercent = 0;  // its 95 % interval
  double HighPercent = 0;
  double P = 1;           // Bonferroni-bounded over the places tried
};

// Every step in `points` (in date order) with p < alpha, in order; none
// where the levels are under FewestTicks ticks or the series is too short.
std::vector<FoundChange> FindChanges(const std::vector<SeriesPoint>& points, double alpha);
