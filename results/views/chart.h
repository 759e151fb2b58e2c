// SPDX-License-Identifier: MIT
// The charts of a sweep and of a comparison: log-log lines of time against N.
#pragma once

#include <string>
#include <vector>

#include "results/comparison.h"
#include "results/model.h"

// Each phase's median against N with its min-max range, for one sweep.
// Returns an error message, or "" (with `skipped` saying why nothing was
// drawn, when that is no failure).
std::string DrawSweepChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped);
// One line per machine against N: the total, and each phase that is above
// 0 ms somewhere, each point a median with its min-max range.
std::string DrawComparisonChart(const std::string& path, const Comparison& comparison, std::string& skipped);

// The charts of a comparison's page, as SVG to stand inline in it.
struct PageCharts {
  std::string Missing;  // why there are no charts at all (no gnuplot), or ""
  std::string Problem;  // gnuplot's complaint when a chart failed, or ""
  std::string Geomean;  // each machine's total geomean as a ranked bar; "" when not drawn
  std::vector<std::pair<TimedPhase, std::string>> Phases;  // per phase with a time above 0 ms
};
PageCharts DrawPageCharts(const Comparison& comparison);
