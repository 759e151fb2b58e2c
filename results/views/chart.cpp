// SPDX-License-Identifier: MIT
// Chart scripts: one data block per sweep or machine, then one plot clause
// for each line that has something above 0 ms to show.
#include "results/views/chart.h"

#include <filesystem>
#include <fstream>
#include <random>
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

namespace {

// One data block per machine and phase shown, and the clauses that draw them;
// `only` picks one phase, else every phase is drawn.
std::string ComparisonScript(const Comparison& comparison, std::optional<TimedPhase> only, std::string& clauses) {
  std::ostringstream script;
  for (size_t file = 0; file < comparison.Files.size(); ++file) {
    for (const TimedPhase phase : {TimedPhase::Total, TimedPhase::Init, TimedPhase::Sieve, TimedPhase::Count}) {
      if (only && phase != *only) {
        continue;
      }
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
                   GnuplotText(comparison.Files[file].Name) + (only ? "" : std::string(" ") + PhaseName(phase)) + "' noenhanced";
      }
    }
  }
  return script.str();
}

// Beyond this many lines a key would hide the chart.
constexpr size_t MostKeyedLines = 10;

// gnuplot's SVG as a part of a page: without its XML prologue, and with its
// ids made unique, so that several charts can stand in one document.
std::string InlineSvg(const std::string& svg, const std::string& prefix) {
  const size_t start = svg.find("<svg");
  if (start == std::string::npos) {
    return "";
  }
  std::string inlined = svg.substr(start);
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"id='", "id='" + prefix},
                                 {"id=\"", "id=\"" + prefix},
                                 {"href='#", "href='#" + prefix},
                                 {"href=\"#", "href=\"#" + prefix},
                                 {"url(#", "url(#" + prefix}}) {
    for (size_t at = inlined.find(from); at != std::string::npos; at = inlined.find(from, at + to.size())) {
      inlined.replace(at, from.size(), to);
    }
  }
  return inlined;
}

// Draws through a temporary file and returns the SVG for a page, or "".
std::string SvgFor(const std::string& scriptAfterOpening, const std::string& clauses, const std::string& title,
                   const std::string& prefix, int height, std::string& problem) {
  std::error_code error;
  const std::filesystem::path file =
      std::filesystem::temp_directory_path(error) / ("sievebench-chart-" + prefix + std::to_string(std::random_device{}()) + ".svg");
  std::string skipped;
  problem = Plot(ChartOpening(file.string(), title, 800, height) + scriptAfterOpening, clauses, file.string(), skipped);
  std::ifstream drawn(file, std::ios::binary);
  std::ostringstream text;
  text << drawn.rdbuf();
  std::filesystem::remove(file, error);  // a temporary file left behind is only clutter
  return problem.empty() && skipped.empty() ? InlineSvg(text.str(), prefix) : "";
}

// The total's geomean change per machine as horizontal bars, fastest on top.
std::string GeomeanBars(const Comparison& comparison, std::string& problem) {
  const std::vector<size_t> ranked = RankedByTotal(comparison);
  std::ostringstream script;
  std::string tics;
  script << "$bars << EOD\n";
  for (size_t rank = 0; rank < ranked.size(); ++rank) {
    const size_t file = ranked[rank];
    const GeomeanCell* cell = TotalGeomean(comparison, file);
    const double change = file == 0 || cell == nullptr || !cell->ChangePercent ? 0 : *cell->ChangePercent;
    const bool significant = file != 0 && cell != nullptr && cell->Significant;
    const char* colour = !significant ? "0x999999" : change > 0 ? "0xc0392b" : "0x2e8b57";
    script << rank + 1 << ' ' << change << ' ' << colour << '\n';
    tics += std::string(tics.empty() ? "" : ", ") + "'" + GnuplotText(comparison.Files[file].Name) + "' " +
            std::to_string(rank + 1);
  }
  script << "EOD\nunset logscale\nset xlabel 'total, geomean change against the baseline (%); lower is better'\n"
         << "unset ylabel\nset format x '%g'\nset key off\nset yrange [0.4:" << ranked.size() << ".6] reverse\n"
         << "set ytics noenhanced (" << tics << ")\nset xzeroaxis lt -1\n";
  const int height = 120 + 24 * static_cast<int>(ranked.size());
  return SvgFor(script.str(),
                "$bars using 2:1:(($2)<0?($2):0):(($2)>0?($2):0):($1-0.35):($1+0.35):3 with boxxyerrorbars "
                "fs solid 0.8 lc rgb variable",
                "sievebench: total time against the baseline, per machine", "geomean-", height, problem);
}

}  // namespace

std::string DrawComparisonChart(const std::string& path, const Comparison& comparison, std::string& skipped) {
  std::string clauses;
  const std::string script = ChartOpening(path, "sievebench: median time against N, per machine (min-max)") +
                             ComparisonScript(comparison, std::nullopt, clauses);
  return Plot(script, clauses, path, skipped);
}

PageCharts DrawPageCharts(const Comparison& comparison) {
  PageCharts charts;
  charts.Missing = GnuplotMissing();
  if (!charts.Missing.empty()) {
    return charts;
  }
  charts.Geomean = GeomeanBars(comparison, charts.Problem);
  // The total first: it is what a reader looks for.
  for (const TimedPhase phase : {TimedPhase::Total, TimedPhase::Count, TimedPhase::Sieve, TimedPhase::Init}) {
    std::string problem;
    std::string clauses;
    std::string script = ComparisonScript(comparison, phase, clauses);
    if (comparison.Files.size() > MostKeyedLines) {
      script += "set key off\n";
    }
    const std::string svg = SvgFor(script, clauses, std::string("sievebench: ") + PhaseName(phase) +
                                   " phase, median time against N (min-max)",
                                   std::string(PhaseName(phase)) + "-", 520, problem);
    if (!svg.empty()) {
      charts.Phases.emplace_back(phase, svg);
    }
    if (charts.Problem.empty()) {
      charts.Problem = problem;  // the first complaint says enough
    }
  }
  return charts;
}
