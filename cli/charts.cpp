// SPDX-License-Identifier: MIT
// The one place that starts gnuplot.
#include "cli/charts.h"

#include <filesystem>
#include <random>

#include "host/files.h"
#include "host/system.h"
#include "views/history.h"
#include "views/text_safe.h"

std::string GnuplotMissing() {
  return FindOnPath("gnuplot") ? "" : "no chart: gnuplot is not installed (Debian: apt-get install gnuplot-nox)";
}

std::string Draw(const std::string& script, const std::string& path, std::string& skipped) {
  skipped = GnuplotMissing();
  if (!skipped.empty()) {
    return "";
  }
  if (script.empty()) {
    skipped = "no chart: every time was 0 ms, which a log axis cannot show";
    return "";
  }
  ProcessRequest request;
  request.Program = *FindOnPath("gnuplot");
  request.Input = script;
  request.TimeoutSeconds = 120;
  const ProcessOutcome outcome = RunProcess(request);
  if (!outcome.StartError.empty() || outcome.ExitCode != 0) {
    return "gnuplot could not draw " + path + (outcome.Output.empty() ? "" : ": " + TerminalSafe(outcome.Output));
  }
  return "";
}

std::string DrawSweepChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped) {
  return Draw(SweepChartScript(path, summaries), path, skipped);
}

std::string DrawComparisonChart(const std::string& path, const Comparison& comparison, std::string& skipped) {
  return Draw(ComparisonChartScript(path, comparison), path, skipped);
}

namespace {

// A script that draws into a temporary file, made with that file's path;
// returns the SVG for a page, or "".
template <typename MakeScript>
std::string SvgFor(const MakeScript& makeScript, const std::string& prefix, std::string& problem) {
  std::error_code error;
  const std::filesystem::path file = std::filesystem::temp_directory_path(error) /
                                     ("sievebench-chart-" + prefix + std::to_string(std::random_device{}()) + ".svg");
  std::string skipped;
  problem = Draw(makeScript(file.string()), file.string(), skipped);
  std::string svg;
  const bool drawn = problem.empty() && skipped.empty() && ReadWholeFile(file.string(), svg).empty();
  std::filesystem::remove(file, error);  // a temporary file left behind is only clutter
  return drawn ? InlineSvg(svg, prefix) : "";
}

}  // namespace

PageCharts DrawPageCharts(const Comparison& comparison) {
  PageCharts charts;
  charts.Missing = GnuplotMissing();
  if (!charts.Missing.empty()) {
    return charts;
  }
  charts.Geomean =
      SvgFor([&](const std::string& path) { return GeomeanBarsScript(path, comparison); }, "geomean-", charts.Problem);
  for (const TimedPhase phase : PagePhaseOrder) {
    std::string problem;
    const std::string svg = SvgFor([&](const std::string& path) { return PhaseChartScript(path, comparison, phase); },
                                   std::string(PhaseName(phase)) + "-", problem);
    if (!svg.empty()) {
      charts.Phases.emplace_back(phase, svg);
    }
    if (charts.Problem.empty()) {
      charts.Problem = problem;  // the first complaint says enough
    }
  }
  return charts;
}

HistoryCharts DrawHistoryCharts(const History& history) {
  HistoryCharts charts;
  charts.Missing = GnuplotMissing();
  if (!charts.Missing.empty()) {
    return charts;
  }
  for (const uint32_t limit : ChartedLimits(history)) {
    std::string problem;
    charts.Svgs.emplace_back(
        limit, SvgFor([&](const std::string& path) { return HistoryChartScript(path, history, limit); },
                      "history-" + std::to_string(limit) + "-", problem));
    if (charts.Problem.empty()) {
      charts.Problem = problem;
    }
  }
  return charts;
}
