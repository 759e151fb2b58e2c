// SPDX-License-Identifier: MIT
// The charts of a sweep and of a comparison as gnuplot scripts: log-log
// lines of time against N, and the ranked bars of a page. Drawing them is
// the programs' business; these only say what to draw.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "results/comparison.h"
#include "results/model.h"

// Each phase's median against N with its min-max range, for one sweep, drawn
// into `path`; "" when every time was 0 ms, which a log axis cannot show.
std::string SweepChartScript(const std::string& path, const std::vector<LimitSummary>& summaries);
// One line per machine against N: the total, and each phase that is above
// 0 ms somewhere, each point a median with its min-max range; "" when none is.
std::string ComparisonChartScript(const std::string& path, const Comparison& comparison);

// The page's charts, drawn as SVG into `path`: each machine's total geomean
// as a ranked bar, and one phase's medians per machine ("" when that phase is
// 0 ms everywhere).
std::string GeomeanBarsScript(const std::string& path, const Comparison& comparison);
std::string PhaseChartScript(const std::string& path, const Comparison& comparison, TimedPhase phase);
// The phases in the order the page shows their charts: the total first, as
// it is what a reader looks for.
inline constexpr TimedPhase PagePhaseOrder[] = {TimedPhase::Total, TimedPhase::Count, TimedPhase::Sieve,
                                                TimedPhase::Init};

// gnuplot's SVG as a part of a page: without its XML prologue, and with its
// ids given `prefix`, so that several charts can stand in one document.
std::string InlineSvg(const std::string& svg, const std::string& prefix);

// The charts of a comparison's page, as SVG to stand inline in it.
struct PageCharts {
  std::string Missing;  // why there are no charts at all (no gnuplot), or ""
  std::string Problem;  // gnuplot's complaint when a chart failed, or ""
  std::string Geomean;  // each machine's total geomean as a ranked bar; "" when not drawn
  std::vector<std::pair<TimedPhase, std::string>> Phases;  // per phase with a time above 0 ms
};
