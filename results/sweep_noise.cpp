// SPDX-License-Identifier: MIT
// The halves and the trend of a sweep's own runs.
#include "results/sweep_noise.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "results/shift.h"
#include "results/significance.h"
#include "results/variants.h"

double LogTime(double ms, double resolution) {
  return std::log(std::max(ms, resolution / 2));
}

std::vector<double> LogTimes(const std::vector<double>& times, double resolution) {
  std::vector<double> logs;
  logs.reserve(times.size());
  for (const double ms : times) {
    logs.push_back(LogTime(ms, resolution));
  }
  return logs;
}

std::vector<double> TimesInOrder(const SweepResult& result, const std::string& variant, uint32_t limit,
                                 TimedPhase phase) {
  std::vector<double> times;
  for (const RunRecord& run : result.Runs) {
    if (run.Limit == limit && run.Valid && !run.Warmup && OfVariant(run, variant)) {
      times.push_back(PhaseMs(run.Values, phase));
    }
  }
  return times;
}

namespace {

// The first and the last `size / 2` of the times, the middle one of an odd
// count left out.
std::pair<std::vector<double>, std::vector<double>> Halves(const std::vector<double>& inOrder) {
  const auto half = static_cast<std::ptrdiff_t>(inOrder.size() / 2);
  return {std::vector<double>(inOrder.begin(), inOrder.begin() + half),
          std::vector<double>(inOrder.end() - half, inOrder.end())};
}

}  // namespace

std::optional<double> HalvesShift(const std::vector<double>& inOrder, double resolution) {
  if (inOrder.size() < 4) {
    return std::nullopt;
  }
  const auto [first, second] = Halves(inOrder);
  return UnpairedShift(LogTimes(second, resolution), LogTimes(first, resolution))->Estimate;
}

BetweenSweeps BetweenSweepsTest(double change, double halfA, double halfB, double alpha) {
  const double s = std::sqrt((halfA * halfA + halfB * halfB) / 4);
  // The t of two degrees of freedom whose two-sided p is alpha.
  const double critical = std::sqrt(2 * (1 - alpha) * (1 - alpha) / (1 - (1 - alpha) * (1 - alpha)));
  BetweenSweeps test;
  test.SmallestLogChange = critical * s;
  if (s == 0) {
    test.P = change == 0 ? 1 : 0;
    return test;
  }
  const double t = std::fabs(change) / s;
  test.P = 1 - t / std::sqrt(t * t + 2);
  return test;
}

namespace {

std::set<uint32_t> LimitsOf(const SweepResult& result) {
  std::set<uint32_t> limits;
  for (const RunRecord& run : result.Runs) {
    limits.insert(run.Limit);
  }
  return limits;
}

}  // namespace

std::vector<std::string> HalvesWarnings(const SweepResult& result, const std::string& variant,
                                        const std::string& name, double alpha) {
  std::string differing;
  for (const uint32_t limit : LimitsOf(result)) {
    const std::vector<double> totals = TimesInOrder(result, variant, limit, TimedPhase::Total);
    const std::optional<double> shift = HalvesShift(totals, TimerResolution(result.Conditions));
    if (!shift) {
      continue;
    }
    const auto [first, second] = Halves(totals);
    if (MannWhitneyP(second, first) < alpha) {
      char text[48];
      std::snprintf(text, sizeof text, " (%+.1f%%)", std::expm1(*shift) * 100);
      differing += (differing.empty() ? "" : ", ") + std::to_string(limit) + text;
    }
  }
  if (differing.empty()) {
    return {};
  }
  return {name + "'s second half of runs measured otherwise than its first at the limits " + differing +
          ": the machine changed state during the sweep, and against another sweep no change is called within what "
          "its halves show"};
}

std::vector<std::string> DriftWarnings(const SweepResult& result, const std::string& variant,
                                       const std::string& name) {
  std::string drifted;
  for (const uint32_t limit : LimitsOf(result)) {
    const std::vector<double> totals = TimesInOrder(result, variant, limit, TimedPhase::Total);
    const Trend trend = KendallTrend(totals);
    if (totals.size() >= 6 && trend.P < DriftAlpha) {
      char text[96];
      std::snprintf(text, sizeof text, " (tau %+.2f, p=%.3f)", trend.Tau, trend.P);
      drifted += (drifted.empty() ? "" : ", ") + std::to_string(limit) + text;
    }
  }
  if (drifted.empty()) {
    return {};
  }
  return {name + "'s totals drifted along its sweep at the limits " + drifted +
          ": the machine changed while it ran (tau > 0: slower as it went on), so its figures mix two states"};
}
