// SPDX-License-Identifier: MIT
// Chart scripts: one data block per sweep or machine, then one plot clause
// for each line that has something above 0 ms to show.
#include "views/chart.h"

#include <sstream>

#include "views/gnuplot.h"

namespace {

// Columns 2 + 3k to 4 + 3k of a sweep's data block hold phase k's median,
// min and max.
int FirstColumn(TimedPhase phase) {
  return 2 + 3 * static_cast<int>(phase);
}

// One clause per phase that has a time above 0 ms somewhere; "" when none has.
std::string SweepClauses(const std::vector<LimitSummary>& summaries) {
  std::string clauses;
  for (const TimedPhase phase : AllPhases) {
    bool shown = false;
    for (const LimitSummary& row : summaries) {
      shown = shown || PhaseSpread(row, phase).Max > 0;
    }
    if (shown) {
      const int column = FirstColumn(phase);
      clauses += std::string(clauses.empty() ? "" : ", ") + "$phases using 1:" + std::to_string(column) + ":" +
                 std::to_string(column + 1) + ":" + std::to_string(column + 2) + " with yerrorlines title '" +
                 PhaseName(phase) + "'";
    }
  }
  return clauses;
}

// The comparison chart's lines: the total first, then the phases as the
// report prints them.
constexpr TimedPhase LineOrder[] = {TimedPhase::Total, TimedPhase::Init, TimedPhase::Sieve, TimedPhase::Count};

// One data block per machine and phase shown, and the clauses that draw them;
// `only` picks one phase, else every phase is drawn.
std::string ComparisonData(const Comparison& comparison, std::optional<TimedPhase> only, std::string& clauses) {
  std::ostringstream script;
  for (size_t file = 0; file < comparison.Files.size(); ++file) {
    for (const TimedPhase phase : LineOrder) {
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

}  // namespace

std::string SweepChartScript(const std::string& path, const std::vector<LimitSummary>& summaries) {
  std::ostringstream script;
  script << ChartOpening(path, "sievebench: time per phase against N (median, min-max)") << "$phases << EOD\n";
  for (const LimitSummary& row : summaries) {
    script << row.Limit;
    for (const TimedPhase phase : AllPhases) {
      const Spread& spread = PhaseSpread(row, phase);
      script << ' ' << PlotValue(spread.Median) << ' ' << PlotValue(spread.Min) << ' ' << PlotValue(spread.Max);
    }
    script << '\n';
  }
  script << "EOD\n";
  return WithPlot(script.str(), SweepClauses(summaries));
}

std::string ComparisonChartScript(const std::string& path, const Comparison& comparison) {
  std::string clauses;
  const std::string script = ChartOpening(path, "sievebench: median time against N, per machine (min-max)") +
                             ComparisonData(comparison, std::nullopt, clauses);
  return WithPlot(script, clauses);
}

std::string GeomeanBarsScript(const std::string& path, const Comparison& comparison) {
  const std::vector<size_t> ranked = RankedByTotal(comparison);
  const int height = 120 + 24 * static_cast<int>(ranked.size());
  std::ostringstream script;
  std::string tics;
  script << ChartOpening(path, "sievebench: total time against the baseline, per machine", 800, height)
         << "$bars << EOD\n";
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
  return WithPlot(script.str(),
                  "$bars using 2:1:(($2)<0?($2):0):(($2)>0?($2):0):($1-0.35):($1+0.35):3 with boxxyerrorbars "
                  "fs solid 0.8 lc rgb variable");
}

std::string PhaseChartScript(const std::string& path, const Comparison& comparison, TimedPhase phase) {
  std::string clauses;
  std::string script = ChartOpening(path, std::string("sievebench: ") + PhaseName(phase) +
                                              " phase, median time against N (min-max)",
                                    800, 520) +
                       ComparisonData(comparison, phase, clauses);
  if (comparison.Files.size() > MostKeyedLines) {
    script += "set key off\n";
  }
  return WithPlot(script, clauses);
}

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
