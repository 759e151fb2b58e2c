// SPDX-License-Identifier: MIT
// Scripts are text: every value a file brought is escaped before it enters one.
#include "views/gnuplot.h"

#include <sstream>

#include "views/text_safe.h"

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

std::string WithPlot(const std::string& script, const std::string& clauses) {
  return clauses.empty() ? "" : script + "plot " + clauses + "\n";
}
