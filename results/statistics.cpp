// SPDX-License-Identifier: MIT
// Statistics of the sweep, kept apart from its process handling so they can
// be checked on made-up runs.
#include "results/statistics.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

#include "results/phases.h"
#include "results/variants.h"

double MedianOfSorted(const std::vector<double>& sorted) {
  const size_t middle = sorted.size() / 2;
  return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return MedianOfSorted(values);
}

Spread SpreadOf(std::vector<double> values) {
  Spread spread;
  if (values.empty()) {
    return spread;
  }
  std::sort(values.begin(), values.end());
  spread.Median = MedianOfSorted(values);
  spread.Mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
  if (values.size() > 1) {
    double squares = 0;
    for (const double value : values) {
      squares += (value - spread.Mean) * (value - spread.Mean);
    }
    spread.StdDev = std::sqrt(squares / static_cast<double>(values.size() - 1));
  }
  spread.Min = values.front();
  spread.Max = values.back();
  return spread;
}

double Percentile(std::vector<double> values, double percent) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<size_t>(std::ceil(percent / 100 * static_cast<double>(values.size())));
  return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

static bool Measured(const RunRecord& run) {
  return !run.Warmup && run.Valid;
}

// Each variant's limits, in the order they first appear: a sweep's own
// order, one group per limit for a sweep without variants.
struct Group {
  std::string Variant;
  uint32_t Limit = 0;

  bool operator==(const Group&) const = default;
  bool Holds(const RunRecord& run) const { return run.Limit == Limit && VariantOf(run) == Variant; }
};

static std::vector<Group> GroupsInOrder(const std::vector<RunRecord>& runs) {
  std::vector<Group> groups;
  for (const std::string& variant : VariantsInOrder(runs)) {
    for (const RunRecord& run : runs) {
      const Group group{variant, run.Limit};
      if (VariantOf(run) == variant && std::find(groups.begin(), groups.end(), group) == groups.end()) {
        groups.push_back(group);
      }
    }
  }
  return groups;
}

void MarkOutliers(std::vector<RunRecord>& runs) {
  for (const Group& group : GroupsInOrder(runs)) {
    std::vector<double> totals;
    for (const RunRecord& run : runs) {
      if (group.Holds(run) && Measured(run)) {
        totals.push_back(run.Values.TotalMs);
      }
    }
    if (totals.empty()) {
      continue;
    }
    std::sort(totals.begin(), totals.end());
    const double median = MedianOfSorted(totals);
    std::vector<double> deviations;
    deviations.reserve(totals.size());
    for (const double total : totals) {
      deviations.push_back(std::fabs(total - median));
    }
    std::sort(deviations.begin(), deviations.end());
    const double threshold = std::max(3 * 1.4826 * MedianOfSorted(deviations), 2.0);
    for (RunRecord& run : runs) {
      if (group.Holds(run)) {
        run.Outlier = Measured(run) && std::fabs(run.Values.TotalMs - median) > threshold;
      }
    }
  }
}

static LimitSummary SummarizeGroup(const Group& group, const std::vector<RunRecord>& runs) {
  LimitSummary summary;
  summary.Limit = group.Limit;
  summary.Variant = group.Variant;
  std::vector<double> times[std::size(AllPhases)];
  uint32_t marks = 0;
  uint32_t primes = 0;
  for (const RunRecord& run : runs) {
    if (!group.Holds(run) || run.Warmup) {
      continue;
    }
    ++summary.Runs;
    if (!run.Valid) {
      continue;
    }
    ++summary.ValidRuns;
    summary.Outliers += run.Outlier ? 1 : 0;
    for (const TimedPhase phase : AllPhases) {
      times[static_cast<size_t>(phase)].push_back(PhaseMs(run.Values, phase));
    }
    marks = run.Values.LoopCounter;
    primes = run.Values.Primes;
  }
  for (const TimedPhase phase : AllPhases) {
    PhaseSpread(summary, phase) = SpreadOf(times[static_cast<size_t>(phase)]);
  }
  if (summary.Sieve.Median > 0) {
    summary.MarksPerSecond = marks / (summary.Sieve.Median / 1000);
  }
  if (summary.Count.Median > 0 && primes > 1) {
    summary.RecordsPerSecond = (primes - 1) / (summary.Count.Median / 1000);
  }
  return summary;
}

std::vector<LimitSummary> Summarize(const std::vector<RunRecord>& runs) {
  std::vector<LimitSummary> summaries;
  for (const Group& group : GroupsInOrder(runs)) {
    summaries.push_back(SummarizeGroup(group, runs));
  }
  return summaries;
}
