// SPDX-License-Identifier: MIT
// The one place that starts gnuplot.
#include "results/views/gnuplot.h"

#include <sstream>

#include "results/system.h"
#include "results/text_safe.h"

std::string GnuplotMissing() {
  return FindOnPath("gnuplot") ? "" : "no chart: gnuplot is not installed (Debian: apt-get install gnuplot-nox)";
}

std::string PlotValue(double milliseconds) {
  return milliseconds > 0 ? std::to_string(milliseconds) : "NaN";
}

std::string GnuplotText(const std::string& text) {
  std::string quoted;
  for (const char byte : TerminalSafe(text)) {
    quoted += byte == '\'' ? "''" : std::string(1, byte);
  }
  return quoted;
}

std::string ChartOpening(const std::string& path, const std::string& title, int width, int height) {
  const bool svg = path.ends_with(".svg");
  const std::string size = std::to_string(width) + "," + std::to_string(height);
  std::ostringstream script;
  script << "set terminal " << (svg ? "svg size " + size + " dynamic" : "png size " + size) << "\n"
         << "set output '" << GnuplotText(path) << "'\n"
         << "set title '" << GnuplotText(title) << "' noenhanced\n"
         << "set logscale xy\nset xlabel 'N'\nset ylabel 'ms'\nset key top left\nset grid\n"
         << "set format x '10^{%L}'\n";
  return script.str();
}

std::string Plot(const std::string& script, const std::string& clauses, const std::string& path, std::string& skipped) {
  skipped = GnuplotMissing();
  if (!skipped.empty()) {
    return "";
  }
  if (clauses.empty()) {
    skipped = "no chart: every time was 0 ms, which a log axis cannot show";
    return "";
  }
  ProcessRequest request;
  request.Program = *FindOnPath("gnuplot");
  request.Input = script + "plot " + clauses + "\n";
  request.TimeoutSeconds = 120;
  const ProcessOutcome outcome = RunProcess(request);
  if (!outcome.StartError.empty() || outcome.ExitCode != 0) {
    return "gnuplot could not draw " + path + (outcome.Output.empty() ? "" : ": " + TerminalSafe(outcome.Output));
  }
  return "";
}
