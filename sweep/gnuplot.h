// SPDX-License-Identifier: MIT
// Charts through gnuplot, for the sweep and the compare tool alike: the data
// travel inside the script as a data block, so nothing but the script itself
// is written to a scratch file.
#pragma once

#include <string>

// True when a gnuplot is on the PATH.
bool GnuplotInstalled();
// A time as a plotted value: a log axis cannot show 0 ms, so it is left out (NaN).
std::string PlotValue(double milliseconds);
// The opening of a log-log script of times against N that draws `path`
// (.svg or .png) with the given title.
std::string ChartOpening(const std::string& path, const std::string& title);
// Runs gnuplot on `script`; returns an error message, or "" when `path` was drawn.
std::string RunGnuplot(const std::string& script, const std::string& path);
