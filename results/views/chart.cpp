// SPDX-License-Identifier: MIT
// Chart scripts: one data block per sweep or machine, then one plot clause
// for each line that has something above 0 ms to show.
#include "results/views/chart.h"

#include <sstream>

#include "results/views/gnuplot.h"

namespace {

// One clause per phase that has a time above 0 ms somewhere; "" when none has.
std::string SweepClauses(const std::vector<LimitSummary>& summaries) {
  static const char* const Titles[] = {"initialize", "sieve", "count", "total"};
  std::string clauses;
  for (int phase = 0; phase < 4; ++phase) {
    bool shown = false;
    for (const LimitSummary& row : summaries) {
      const Spread* spreads[] = {&row.Init, &row.Sieve, &row.Count, &row.Total};
      shown = shown || spreads[phase]->Max > 0;
    }
    if (shown) {
      const int column = 2 + 3 * phase;
      clauses += std::string(clauses.empty() ? "" : ", ") + "$phases using 1:" + std::to_string(column) + ":" +
                 std::to_string(column + 1) + ":" + std::to_string(column + 2) + " with yerrorlines title '" +
                 Titles[phase] + "'";
    }
  }
  return clauses;
}

}  // namespace

std::string DrawSweepChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped) {
  std::ostringstream script;
  script << ChartOpening(path, "sievebench: time per phase against N (median, min-max)") << "$phases << EOD\n";
  for (const LimitSummary& row : summaries) {
    script << row.Limit;
    for (const Spread* spread : {&row.Init, &row.Sieve, &row.Count, &row.Total}) {
      script << ' ' << PlotValue(spread->Median) << ' ' << PlotValue(spread->Min) << ' ' << PlotValue(spread->Max);
    }
    script << '\n';
  }
  script << "EOD\n";
  return Plot(script.str(), SweepClauses(summaries), path, skipped);
}

std::string DrawComparisonChart(const std::string& path, const Comparison& comparison, std::string& skipped) {
  std::ostringstream script;
  script << ChartOpening(path, "sievebench: median time against N, per machine (min-max)");
  std::string clauses;
  for (size_t file = 0; file < comparison.Files.size(); ++file) {
    for (const TimedPhase phase : {TimedPhase::Total, TimedPhase::Init, TimedPhase::Sieve, TimedPhase::Count}) {
      const std::string block = "$m" + std::to_string(file) + PhaseName(phase);
      script << block << " << EOD\n";
      bool above = false;
      for (const ComparisonRow& row : comparison.Rows) {
        const Cell& cell = row.Cells[file];
        if (row.Phase == phase && cell.Runs > 0) {
          above = above || cell.MedianMs > 0;
          script << row.Limit << ' ' << PlotValue(cell.MedianMs) << ' ' << PlotValue(cell.MinMs) << ' '
                 << PlotValue(cell.MaxMs) << '\n';
        }
      }
      script << "EOD\n";
      if (above) {
        clauses += std::string(clauses.empty() ? "" : ", ") + block + " using 1:2:3:4 with yerrorlines title '" +
                   GnuplotText(comparison.Files[file].Name) + " " + PhaseName(phase) + "' noenhanced";
      }
    }
  }
  return Plot(script.str(), clauses, path, skipped);
}
