// SPDX-License-Identifier: MIT
// Drawing the views' chart scripts: gnuplot runs as a child through the
// companions' door to the system, for the sweep and the compare tool alike.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "results/comparison.h"
#include "results/history.h"
#include "results/model.h"
#include "views/chart.h"

// Why no chart can be drawn at all, or "" when a gnuplot is on the PATH.
std::string GnuplotMissing();
// Draws `script` (which names `path` as its output). An empty script means
// every time was 0 ms: nothing is drawn and `skipped` says why; so it does
// when gnuplot is missing. Returns an error message, or "" when the chart was
// drawn or skipped.
std::string Draw(const std::string& script, const std::string& path, std::string& skipped);

std::string DrawSweepChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped);
std::string DrawComparisonChart(const std::string& path, const Comparison& comparison, std::string& skipped);
// The page's charts, each drawn through a temporary file.
PageCharts DrawPageCharts(const Comparison& comparison);

// The history page's charts, one per limit, as SVG to stand inline in it.
struct HistoryCharts {
  std::string Missing;  // why there are none at all (no gnuplot), or ""
  std::string Problem;  // gnuplot's first complaint, or ""
  std::vector<std::pair<uint32_t, std::string>> Svgs;
};
HistoryCharts DrawHistoryCharts(const History& history);
