// SPDX-License-Identifier: MIT
// Steps in a series of sweep levels. A level is a log median; the noise of a
// level comes from the sweeps' own halves, the model that compares separate
// sweeps: each half of a sweep meets a spell of its own, of log spread tau,
// so a level (the halves' mean) spreads by tau / sqrt(2) and a sweep's
// halves differ with variance 2 tau^2, four times a level's variance.
#include "results/changes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "results/comparison.h"
#include "results/statistics.h"
#include "results/sweep_noise.h"

SeriesPoint LevelOf(const std::vector<double>& timesInOrder, double resolutionMs) {
  SeriesPoint point;
  point.Runs = timesInOrder.size();
  point.ResolutionMs = resolutionMs;
  if (timesInOrder.empty()) {
    return point;
  }
  point.MedianMs = Median(timesInOrder);
  point.MedianIntervalMs = MedianInterval(timesInOrder);
  point.HalvesLogShift = HalvesShift(timesInOrder, resolutionMs);
  return point;
}

namespace {

double Level(const SeriesPoint& point) {
  return LogTime(point.MedianMs, point.ResolutionMs);
}

// The finest a level of whole-tick times is told, in ticks: made-up steady
// machines whose runs spread by less than a tick keep within the false
// alarms alpha allows at this floor, and not at half a tick.
constexpr double TickFloor = 0.75;

// A median absolute value estimates a spread with 37 % of the efficiency of
// a sum of squares.
constexpr double StepEfficiency = 0.37;

}  // namespace

SeriesNoise NoiseOf(const std::vector<SeriesPoint>& points) {
  SeriesNoise noise;
  double squares = 0;
  size_t halves = 0;
  std::vector<double> steps;
  std::vector<double> ticks;
  for (size_t index = 0; index < points.size(); ++index) {
    if (points[index].HalvesLogShift) {
      squares += *points[index].HalvesLogShift * *points[index].HalvesLogShift;
      ++halves;
    }
    if (index > 0) {
      steps.push_back(std::fabs(Level(points[index]) - Level(points[index - 1])));
    }
    ticks.push_back(points[index].ResolutionMs / std::max(points[index].MedianMs, points[index].ResolutionMs / 2));
  }
  // The halves' estimate of a level's variance, sum h^2 / 4k with k degrees
  // of freedom, pooled with the successive levels' where theirs is larger
  // (spells longer than a sweep, which halves cannot see):
  // (1.4826 median |step|)^2 / 2, a step or two barely moving it, weighted
  // by the steps' count times 0.37, the efficiency of a median absolute value.
  double variance = 0;
  double degrees = 0;
  if (halves > 0) {
    variance = squares / 4;
    degrees = static_cast<double>(halves);
  }
  if (steps.size() >= 2) {
    const double spread = 1.4826 * Median(steps) / std::numbers::sqrt2;
    const double weight = StepEfficiency * static_cast<double>(steps.size());
    if (halves == 0 || spread * spread > variance / degrees) {
      variance += weight * spread * spread;
      degrees += weight;
    }
  }
  if (degrees > 0) {
    noise = {std::sqrt(variance / degrees), std::max(1.0, std::floor(degrees))};
  }
  // Whole ticks hide spread: halves of tied times often differ by nothing.
  // A level is told no finer than TickFloor ticks, with the degrees of
  // freedom of the estimate it replaces.
  const double floor = ticks.empty() ? 0 : Median(ticks) * TickFloor;
  if (floor > noise.LogSpread) {
    noise = {floor, std::max(1.0, noise.Degrees)};
  }
  return noise;
}

double StudentP(double t, double degrees) {
  // Abramowitz and Stegun 26.7.3 and 26.7.4: for whole degrees of freedom
  // the distribution function is a finite sum in theta = atan(t / sqrt(nu)).
  const auto nu = static_cast<long>(std::max(1.0, std::floor(degrees)));
  const double theta = std::atan(std::fabs(t) / std::sqrt(static_cast<double>(nu)));
  const double c2 = std::cos(theta) * std::cos(theta);
  double within = 0;  // P(|T| <= |t|)
  if (nu % 2 == 0) {
    double term = 1;
    double sum = 1;
    for (long k = 2; k <= nu - 2; k += 2) {
      term *= c2 * static_cast<double>(k - 1) / static_cast<double>(k);
      sum += term;
    }
    within = std::sin(theta) * sum;
  } else {
    double sum = 0;
    if (nu > 1) {
      double term = std::cos(theta);
      sum = term;
      for (long k = 3; k <= nu - 2; k += 2) {
        term *= c2 * static_cast<double>(k - 1) / static_cast<double>(k);
        sum += term;
      }
    }
    within = 2 / std::numbers::pi * (theta + std::sin(theta) * sum);
  }
  return std::clamp(1 - within, 0.0, 1.0);
}

double StudentCritical(double p, double degrees) {
  double low = 0;
  double high = 1e6;
  for (int step = 0; step < 200; ++step) {
    const double middle = (low + high) / 2;
    (StudentP(middle, degrees) > p ? low : high) = middle;
  }
  return (low + high) / 2;
}

namespace {

// The Hodges-Lehmann estimate of a step: the median of every difference of
// a level after it and a level before it.
double StepEstimate(const std::vector<double>& before, const std::vector<double>& after) {
  std::vector<double> differences;
  differences.reserve(before.size() * after.size());
  for (const double a : after) {
    for (const double b : before) {
      differences.push_back(a - b);
    }
  }
  return Median(std::move(differences));
}

// The estimate looks this far either side of a step: the level just before
// a step is what it changed from, and a long history costs no more.
constexpr size_t NearestSweeps = 100;

struct Split {
  size_t At = 0;
  double Before = 0;  // median log levels
  double After = 0;
  double Shift = 0;   // the Hodges-Lehmann step
  double StandardError = 0;
  double P = 1;  // bounded over every place tried
};

// Where a step in levels [from, to) most likely is: the place where the
// mean level after it differs most from the mean before it, in standard
// errors (the place a likelihood puts it), each level first held within
// three noise spreads of the segment's median so that one sweep in a bad
// spell cannot pull the place to itself.
size_t LikeliestPlace(const std::vector<double>& levels, size_t from, size_t to, double spread) {
  std::vector<double> segment(levels.begin() + static_cast<std::ptrdiff_t>(from),
                              levels.begin() + static_cast<std::ptrdiff_t>(to));
  const double centre = Median(segment);
  double total = 0;
  for (double& level : segment) {
    level = std::clamp(level - centre, -3 * spread, 3 * spread);
    total += level;
  }
  const auto n = static_cast<double>(segment.size());
  size_t best = from + LeastSegment;
  double bestScore = -1;
  double sumBefore = 0;
  for (size_t count = 1; count + LeastSegment <= segment.size(); ++count) {
    sumBefore += segment[count - 1];
    const auto before = static_cast<double>(count);
    const double score =
        std::fabs((total - sumBefore) / (n - before) - sumBefore / before) * std::sqrt(before * (n - before) / n);
    if (count >= LeastSegment && score > bestScore) {
      bestScore = score;
      best = from + count;
    }
  }
  return best;
}

// The step at its likeliest place in levels [from, to), tested against the
// noise between sweeps; none where no place leaves LeastSegment sweeps on
// each side. The Hodges-Lehmann step spreads as a difference of means does,
// times sqrt(pi / 3), its efficiency against the mean.
std::optional<Split> BestSplit(const std::vector<double>& levels, size_t from, size_t to, const SeriesNoise& noise) {
  if (to - from < 2 * LeastSegment) {
    return std::nullopt;
  }
  const size_t at = LikeliestPlace(levels, from, to, noise.LogSpread);
  const auto begin = levels.begin();
  const std::vector<double> before(begin + static_cast<std::ptrdiff_t>(std::max(from, at - std::min(at - from, NearestSweeps))),
                                   begin + static_cast<std::ptrdiff_t>(at));
  const std::vector<double> after(begin + static_cast<std::ptrdiff_t>(at),
                                  begin + static_cast<std::ptrdiff_t>(std::min(to, at + NearestSweeps)));
  Split split;
  split.At = at;
  split.Before = Median(before);
  split.After = Median(after);
  split.Shift = StepEstimate(before, after);
  split.StandardError = noise.LogSpread * std::sqrt(std::numbers::pi / 3 *
                                                    (1 / static_cast<double>(before.size()) +
                                                     1 / static_cast<double>(after.size())));
  // Bounded over every place of the whole series, not of the segment
  // alone: a segment exists because a step was found, and a sweep in a
  // spell beside that step must not make a second one.
  const double places = static_cast<double>(levels.size() - 2 * LeastSegment + 1);
  split.P = std::min(1.0, places * StudentP(std::fabs(split.Shift) / split.StandardError, noise.Degrees));
  return split;
}

void Segment(const std::vector<double>& levels, size_t from, size_t to, const SeriesNoise& noise, double alpha,
             std::vector<size_t>& found) {
  const std::optional<Split> split = BestSplit(levels, from, to, noise);
  if (!split || split->P >= alpha) {
    return;
  }
  Segment(levels, from, split->At, noise, alpha, found);
  found.push_back(split->At);
  Segment(levels, split->At, to, noise, alpha, found);
}

// Each step placed again between its neighbours, where the levels on both
// sides belong to it alone; a step that no longer stands out is dropped, and
// the rest placed again, until nothing moves.
std::vector<Split> Refined(const std::vector<double>& levels, std::vector<size_t> at, const SeriesNoise& noise,
                           double alpha) {
  for (int pass = 0; pass < 20; ++pass) {
    std::vector<Split> splits;
    bool moved = false;
    for (size_t index = 0; index < at.size(); ++index) {
      const size_t from = index == 0 ? 0 : at[index - 1];
      const size_t to = index + 1 == at.size() ? levels.size() : at[index + 1];
      const std::optional<Split> split = BestSplit(levels, from, to, noise);
      if (!split || split->P >= alpha) {
        at.erase(at.begin() + static_cast<std::ptrdiff_t>(index));
        moved = true;
        break;
      }
      moved = moved || split->At != at[index];
      at[index] = split->At;
      splits.push_back(*split);
    }
    if (!moved) {
      return splits;
    }
  }
  return {};  // a step that keeps moving between two places is no clear step
}

}  // namespace

std::vector<FoundChange> FindChanges(const std::vector<SeriesPoint>& points, double alpha) {
  if (points.size() < 2 * LeastSegment) {
    return {};
  }
  std::vector<double> levels;
  std::vector<double> medians;
  for (const SeriesPoint& point : points) {
    levels.push_back(Level(point));
    medians.push_back(point.MedianMs / point.ResolutionMs);
  }
  if (Median(medians) < FewestTicks) {
    return {};  // one tick more or less would be a step of 10 % or more
  }
  const SeriesNoise noise = NoiseOf(points);
  std::vector<size_t> at;
  Segment(levels, 0, levels.size(), noise, alpha, at);
  const double critical = StudentCritical(0.05, noise.Degrees);
  std::vector<FoundChange> changes;
  const std::vector<Split> splits = Refined(levels, at, noise, alpha);
  for (const Split& split : splits) {
    const double shift = split.Shift;
    FoundChange change;
    change.At = split.At;
    change.BeforeMs = std::exp(split.Before);
    change.AfterMs = std::exp(split.After);
    change.ChangePercent = std::expm1(shift) * 100;
    change.LowPercent = std::expm1(shift - critical * split.StandardError) * 100;
    change.HighPercent = std::expm1(shift + critical * split.StandardError) * 100;
    change.P = split.P;
    changes.push_back(change);
  }
  return changes;
}
